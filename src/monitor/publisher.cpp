// The MQTT publisher on libmosquitto.
#include "monitor/publisher.h"

#include "platform/jsondoc.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <thread>
#include <unordered_set>

#include <mosquitto.h>

#include "platform/runtime.h"
#include "platform/service.h"
#include "platform/ticker.h"

namespace {

constexpr int KEEPALIVE_S = 30;     // the broker gives up on us after 1.5 times this
constexpr int RECONNECT_MIN_S = 1;  // first pause after a lost connection
constexpr int RECONNECT_MAX_S = 30; // the pause doubles up to this
// A connection that held this long is a broker that works: the pause starts
// again from RECONNECT_MIN_S. Longer than RECONNECT_MAX_S, so that two
// clients kicking each other off (the same client id) never get there.
constexpr double STEADY_S = 60.0;
constexpr int TAKEN_OVER = 0x8E;    // MQTT v5 DISCONNECT reason: session taken over
constexpr std::size_t WINDOW = 200; // measurements handed over and not yet acknowledged
constexpr int QOS = 1;

mosquitto *client = nullptr; // the connection, once started
std::string brokerHost;      // where it goes
int brokerPort = 0;
std::string clientId;    // ours, for the journal
std::string statusTopic; // BASE/status, where the will goes
std::string said;        // the last journal line, so a state is told once (main thread)
// Written by the network thread only, in its callbacks and its loop.
bool connackSeen = false;             // the broker answered this connection's CONNECT
bool refused = false;                 // ... and refused it (told already)
int lostReason = 0;                   // the disconnect callback's reason
std::string tlsError;                 // the library's last OpenSSL text, "" for none
int quickCloses = 0;                  // connections in a row the broker closed before STEADY_S
bool clash = false;                   // taken over, and no steady connection since
std::thread network;                  // runs the connection (NetworkLoop)
std::atomic<bool> stopping{false};    // set by StopPublisher: the network thread ends
std::atomic<bool> networkDone{false}; // set by the network thread as it ends
std::atomic<bool> triedOnce{false};   // the first connect has returned
std::string base;                     // BASE, the topics' stem
long queueLimit = 100000;             // bound of waiting
std::deque<std::string> waiting;      // measurements in order, oldest first
std::unordered_set<int> inFlight;     // message ids of measurements handed over
std::map<std::string, std::string> retained; // topic -> last payload ("" removes)
PublisherCounts counts;                      // what PublisherState gives
int offlineMid = -1;                         // id of the offline message on stop
bool offlineAcked = false;
bool connectedBefore = false; // a connect after the first counts as a reconnect
std::deque<std::pair<std::string, std::string>> messages; // PublishMessage's, while away
std::string subscribed;                                   // SubscribeTopic's topic, "" for none
void (*onMessage)(const std::string &) = nullptr;         // ... and its handler

// Posting carries an int in the data pointer: nothing to allocate or free.
void *AsData(int v) {
    return reinterpret_cast<void *>(static_cast<std::intptr_t>(v));
}
int FromData(void *p) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(p));
}

bool Publish(const std::string &topic, const std::string &payload, bool retain, int *mid) {
    return mosquitto_publish(client, mid, topic.c_str(), static_cast<int>(payload.size()),
                             payload.data(), QOS, retain) == MOSQ_ERR_SUCCESS;
}

// Hands waiting measurements to the library while the window has room.
void SendWaiting() {
    while (counts.connected && !waiting.empty() && inFlight.size() < WINDOW) {
        int mid = 0;
        if (!Publish(base + "/measurement", waiting.front(), false, &mid)) break;
        inFlight.insert(mid);
        waiting.pop_front();
    }
    counts.waiting = static_cast<long>(waiting.size());
    counts.inFlight = static_cast<long>(inFlight.size());
}

// One line for the journal (standard error), told when the state it names
// is new: a back-off that tries every few seconds does not fill the journal.
void OnJournal(void *data) {
    const std::unique_ptr<std::string> line(static_cast<std::string *>(data));
    if (*line == said) return;
    said = *line;
    std::fprintf(stderr, "vortelix-monitor: %s\n", line->c_str());
}

void Journal(const std::string &line) {
    PostToMainThread(OnJournal, new std::string(line));
}

std::string Broker() {
    return brokerHost + ":" + std::to_string(brokerPort);
}

// Main-thread halves of the library's callbacks.
void OnConnected(void *rc) {
    if (FromData(rc) != 0) return; // refused: the network thread tries again
    if (connectedBefore) counts.reconnects++;
    connectedBefore = true;
    counts.connected = true;
    for (const auto &[topic, payload] : retained)
        Publish(topic, payload, true, nullptr);
    for (; !messages.empty(); messages.pop_front())
        Publish(messages.front().first, messages.front().second, false, nullptr);
    // The session is not kept (clean start): the subscription is made anew.
    if (!subscribed.empty()) mosquitto_subscribe(client, nullptr, subscribed.c_str(), QOS);
    SendWaiting();
}

// A message on the subscribed topic, handed over by the network thread.
struct Incoming {
    std::string payload;
    bool retained;
};

void OnIncoming(void *data) {
    const std::unique_ptr<Incoming> m(static_cast<Incoming *>(data));
    if (m->retained) {
        // Once retained, it would be taken again after every reconnect.
        std::fprintf(stderr, "vortelix-monitor: a retained message on %s passed over\n",
                     subscribed.c_str());
        return;
    }
    if (onMessage) onMessage(m->payload);
}

void OnLost(void *) {
    counts.connected = false;
}

void OnAcked(void *mid) {
    const int id = FromData(mid);
    if (id == offlineMid) offlineAcked = true;
    if (inFlight.erase(id)) counts.sent++;
    SendWaiting();
}

// A reason of the library or of the broker in words. MQTT v5 reason codes
// start at 0x80; the library's own codes are small.
std::string Reason(int rc) {
    return rc >= 0x80 ? mosquitto_reason_string(rc) : mosquitto_strerror(rc);
}

// Network-thread callbacks: hand over, nothing else.
void NetConnect(mosquitto *, void *, int rc) {
    connackSeen = true;
    if (rc == 0 && !clash) Journal("broker connected (" + Broker() + ")");
    if (rc != 0) {
        refused = true;
        Journal("broker " + Broker() + " refused the connection: " +
                (rc >= 0x80 ? mosquitto_reason_string(rc) : mosquitto_connack_string(rc)));
    }
    PostToMainThread(OnConnected, AsData(rc));
}
void NetDisconnect(mosquitto *, void *, int rc) {
    lostReason = rc;
    PostToMainThread(OnLost, nullptr);
}
void NetPublish(mosquitto *, void *, int mid) {
    PostToMainThread(OnAcked, AsData(mid));
}
void NetMessage(mosquitto *, void *, const mosquitto_message *m) {
    const char *bytes = static_cast<const char *>(m->payload);
    PostToMainThread(OnIncoming,
                     new Incoming{std::string(bytes, bytes ? m->payloadlen : 0), m->retain});
}
// The library logs OpenSSL's reason for a failed handshake (an unknown
// authority, a wrong host name) and returns only "TLS error".
void NetLog(mosquitto *, void *, int level, const char *text) {
    if (level == MOSQ_LOG_ERR && std::strstr(text, "OpenSSL")) tlsError = text;
}

// Why a connect failed, from its result and errno just after it.
std::string ConnectFailure(int rc, int err) {
    if (!tlsError.empty()) return tlsError;
    if (rc == MOSQ_ERR_ERRNO) return std::strerror(err);
    if (rc == MOSQ_ERR_EAI) return "host name not found";
    return Reason(rc);
}

// The will names when this connection went online, not a time of its own:
// the broker sends it whenever the connection dies.
void SetWill() {
    char stamp[40];
    LocalTimeISO(stamp, sizeof stamp);
    JsonItem j = JsonItem::NewObject();
    j.Add("state", JsonItem::Of("offline"));
    j.Add("onlineSince", JsonItem::Of(stamp));
    const std::string will = WriteJsonLine(j);
    mosquitto_will_set(client, statusTopic.c_str(), static_cast<int>(will.size()), will.data(), QOS,
                       true);
}

// The network thread: connects, runs the connection until it ends, pauses,
// and again. The pause doubles from RECONNECT_MIN_S to RECONNECT_MAX_S and
// starts again only after a connection that held STEADY_S: a connection
// taken over by a client of the same id, or one dropped soon after it was
// made, would otherwise reconnect every second, and two monitors of the
// same id would kick each other off for ever. Each change of state is one
// journal line.
void NetworkLoop() {
    using Clock = std::chrono::steady_clock;
    double pause = RECONNECT_MIN_S;
    bool first = true;
    while (!stopping) {
        connackSeen = refused = false;
        lostReason = 0;
        tlsError.clear();
        SetWill();
        int rc = first ? mosquitto_connect(client, brokerHost.c_str(), brokerPort, KEEPALIVE_S)
                       : mosquitto_reconnect(client);
        int err = errno;
        triedOnce = true;
        if (rc == MOSQ_ERR_SUCCESS) {
            first = false;
            const auto since = Clock::now();
            bool steady = false;
            while (!stopping && (rc = mosquitto_loop(client, 1000, 1)) == MOSQ_ERR_SUCCESS) {
                if (!steady && connackSeen && !refused &&
                    Clock::now() - since >= std::chrono::duration<double>(STEADY_S)) {
                    steady = true;
                    pause = RECONNECT_MIN_S;
                    if (clash) Journal("broker connected (" + Broker() + ")");
                    clash = false;
                }
            }
            err = errno;
            if (stopping) break;
            // A broker that hands our id to another client closes our socket
            // without a word (MQTT v3.1.1, and some v5 brokers too) or says
            // so (v5, DISCONNECT "session taken over"). Closed twice in a
            // row soon after connecting, with the broker there to reconnect
            // to in between, is taken for the same.
            const bool closed = connackSeen && !refused && !steady &&
                                (lostReason == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_CONN_LOST);
            quickCloses = closed ? quickCloses + 1 : 0;
            if (lostReason == TAKEN_OVER || quickCloses >= 2) {
                clash = true;
                Journal("broker " + Broker() + ": client id " + clientId +
                        " taken over by another client (closed soon after each connect); "
                        "trying again with back-off");
            } else if (refused) {
                // told by NetConnect
            } else if (!connackSeen) {
                Journal("broker " + Broker() + " unreachable: " + ConnectFailure(rc, err));
            } else {
                // A closed socket says nothing more than "lost"; a broker
                // that sends DISCONNECT gives its reason (shutting down ...).
                const int why = lostReason ? lostReason : rc;
                Journal("broker " + Broker() + " connection lost" +
                        (why == MOSQ_ERR_CONN_LOST
                             ? std::string()
                             : ": " + (lostReason ? Reason(why) : ConnectFailure(rc, err))));
            }
        } else {
            quickCloses = 0;
            Journal("broker " + Broker() + " unreachable: " + ConnectFailure(rc, err));
        }
        for (double slept = 0; !stopping && slept < pause; slept += 0.1)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pause = pause * 2 > RECONNECT_MAX_S ? RECONNECT_MAX_S : pause * 2;
    }
    networkDone = true;
}

} // namespace

std::string StatusJson(bool online) {
    char stamp[40];
    LocalTimeISO(stamp, sizeof stamp);
    JsonItem j = JsonItem::NewObject();
    j.Add("state", JsonItem::Of(online ? "online" : "offline"));
    j.Add("time", JsonItem::Of(stamp));
    return WriteJsonLine(j);
}

mosquitto *NewBrokerClient(const MonitorConfig &config, const std::string &id, std::string *error) {
    mosquitto *c = mosquitto_new(id.c_str(), true, nullptr);
    if (!c) {
        *error = "cannot create the MQTT client";
        return nullptr;
    }
    // MQTT v5: a broker that hands our client id to another client says so
    // (DISCONNECT, session taken over) instead of just closing the socket.
    mosquitto_int_option(c, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    int rc = MOSQ_ERR_SUCCESS;
    if (config.tls)
        rc = mosquitto_tls_set(c, config.cafile.empty() ? nullptr : config.cafile.c_str(),
                               config.cafile.empty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr,
                               nullptr);
    if (rc == MOSQ_ERR_SUCCESS && !config.username.empty())
        rc = mosquitto_username_pw_set(c, config.username.c_str(),
                                       config.password.empty() ? nullptr : config.password.c_str());
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = std::string("MQTT set-up: ") + mosquitto_strerror(rc);
        mosquitto_destroy(c);
        return nullptr;
    }
    return c;
}

int StartPublisher(const MonitorConfig &config, std::string *error) {
    mosquitto_lib_init();
    base = config.topic;
    queueLimit = config.queueLimit;
    client = NewBrokerClient(config, config.clientId, error);
    if (!client) return 0;
    clientId = config.clientId;
    statusTopic = base + "/status";
    mosquitto_connect_callback_set(client, NetConnect);
    mosquitto_disconnect_callback_set(client, NetDisconnect);
    mosquitto_log_callback_set(client, NetLog);
    mosquitto_publish_callback_set(client, NetPublish);
    mosquitto_message_callback_set(client, NetMessage);
    mosquitto_threaded_set(client, true);
    retained[statusTopic] = StatusJson(true);
    // A broker that is away now is no fault: the network thread keeps trying.
    brokerHost = config.brokerHost;
    brokerPort = config.brokerPort;
    network = std::thread(NetworkLoop);
    return 1;
}

void PublishRetained(const char *sub, const std::string &json) {
    PublishRetainedAt(base + "/" + sub, json);
}

void PublishRetainedAt(const std::string &topic, const std::string &payload) {
    retained[topic] = payload;
    if (counts.connected) Publish(topic, payload, true, nullptr);
}

void QueueMeasurement(std::string json) {
    if (static_cast<long>(waiting.size()) >= queueLimit) {
        waiting.pop_front();
        counts.dropped++;
    }
    waiting.push_back(std::move(json));
    SendWaiting();
}

void PublishMessage(const char *sub, const std::string &json) {
    if (counts.connected && Publish(base + "/" + sub, json, false, nullptr)) return;
    messages.emplace_back(base + "/" + sub, json);
}

void SubscribeTopic(const char *sub, void (*handler)(const std::string &payload)) {
    subscribed = base + "/" + sub;
    onMessage = handler;
    if (counts.connected) mosquitto_subscribe(client, nullptr, subscribed.c_str(), QOS);
}

void StopPublisher(double limit) {
    if (!client) return;
    const double end = Timer() + limit;
    // What is queued goes first while there is time, then the offline word.
    while (counts.connected && (!waiting.empty() || !inFlight.empty()) && Timer() < end - 0.5)
        PumpEvents(0.05);
    retained[statusTopic] = StatusJson(false);
    if (counts.connected && Publish(statusTopic, retained[statusTopic], true, &offlineMid))
        while (!offlineAcked && counts.connected && Timer() < end)
            PumpEvents(0.05);
    stopping = true;
    mosquitto_disconnect(client);
    if (EndClientThread(&network, networkDone, end + 1.0, &client)) mosquitto_lib_cleanup();
}

bool EndClientThread(std::thread *thread, const std::atomic<bool> &done, double until,
                     mosquitto **client) {
    while (!done && Timer() < until)
        Delay(0.01);
    if (!done) {
        thread->detach();
        return false;
    }
    thread->join();
    mosquitto_destroy(*client);
    *client = nullptr;
    return true;
}

bool PublisherTriedOnce(void) {
    return triedOnce;
}

PublisherCounts PublisherState(void) {
    return counts;
}
