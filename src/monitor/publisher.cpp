// The MQTT publisher on libmosquitto.
#include "monitor/publisher.h"

#include "platform/jsondoc.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
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
constexpr std::size_t WINDOW = 200; // measurements handed over and not yet acknowledged
constexpr int QOS = 1;

mosquitto *client = nullptr; // the connection, once started
std::string brokerHost;      // where it goes
int brokerPort = 0;
std::thread network;                         // runs the connection (NetworkLoop)
std::atomic<bool> stopping{false};           // set by StopPublisher: the network thread ends
std::atomic<bool> networkDone{false};        // set by the network thread as it ends
std::string base;                            // BASE, the topics' stem
long queueLimit = 100000;                    // bound of waiting
std::deque<std::string> waiting;             // measurements in order, oldest first
std::unordered_set<int> inFlight;            // message ids of measurements handed over
std::map<std::string, std::string> retained; // sub-topic -> last payload
PublisherCounts counts;                      // what PublisherState gives
int offlineMid = -1;                         // id of the offline message on stop
bool offlineAcked = false;

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

// Main-thread halves of the library's callbacks.
void OnConnected(void *rc) {
    if (FromData(rc) != 0) return; // refused: the library tries again
    static bool connectedBefore = false;
    if (connectedBefore) counts.reconnects++;
    connectedBefore = true;
    counts.connected = true;
    for (const auto &[sub, json] : retained)
        Publish(base + "/" + sub, json, true, nullptr);
    SendWaiting();
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

// Network-thread callbacks: hand over, nothing else.
void NetConnect(mosquitto *, void *, int rc) {
    PostToMainThread(OnConnected, AsData(rc));
}
void NetDisconnect(mosquitto *, void *, int) {
    PostToMainThread(OnLost, nullptr);
}
void NetPublish(mosquitto *, void *, int mid) {
    PostToMainThread(OnAcked, AsData(mid));
}

// The network thread. The library's own loop reconnects after a lost
// connection, but gives up on a first connect that fails and on a failed
// name lookup; this loop starts it again after each, with the same back-off.
void NetworkLoop() {
    double pause = RECONNECT_MIN_S;
    bool first = true;
    while (!stopping) {
        const int rc = first
                           ? mosquitto_connect(client, brokerHost.c_str(), brokerPort, KEEPALIVE_S)
                           : mosquitto_reconnect(client);
        if (rc == MOSQ_ERR_SUCCESS) {
            first = false;
            pause = RECONNECT_MIN_S;
            mosquitto_loop_forever(client, 1000, 1);
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

int StartPublisher(const MonitorConfig &config, std::string *error) {
    mosquitto_lib_init();
    base = config.topic;
    queueLimit = config.queueLimit;
    client = mosquitto_new(config.clientId.c_str(), true, nullptr);
    if (!client) {
        *error = "cannot create the MQTT client";
        return 0;
    }
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    const std::string will = StatusJson(false);
    const std::string statusTopic = base + "/status";
    int rc = mosquitto_will_set(client, statusTopic.c_str(), static_cast<int>(will.size()),
                                will.data(), QOS, true);
    if (rc == MOSQ_ERR_SUCCESS && config.tls)
        rc = mosquitto_tls_set(client, config.cafile.empty() ? nullptr : config.cafile.c_str(),
                               config.cafile.empty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr,
                               nullptr);
    if (rc == MOSQ_ERR_SUCCESS && !config.username.empty())
        rc = mosquitto_username_pw_set(client, config.username.c_str(),
                                       config.password.empty() ? nullptr : config.password.c_str());
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = std::string("MQTT set-up: ") + mosquitto_strerror(rc);
        return 0;
    }
    mosquitto_reconnect_delay_set(client, RECONNECT_MIN_S, RECONNECT_MAX_S, true);
    mosquitto_connect_callback_set(client, NetConnect);
    mosquitto_disconnect_callback_set(client, NetDisconnect);
    mosquitto_publish_callback_set(client, NetPublish);
    mosquitto_threaded_set(client, true);
    retained["status"] = StatusJson(true);
    // A broker that is away now is no fault: the network thread keeps trying.
    brokerHost = config.brokerHost;
    brokerPort = config.brokerPort;
    network = std::thread(NetworkLoop);
    return 1;
}

void PublishRetained(const char *sub, const std::string &json) {
    retained[sub] = json;
    if (counts.connected) Publish(base + "/" + sub, json, true, nullptr);
}

void QueueMeasurement(std::string json) {
    if (static_cast<long>(waiting.size()) >= queueLimit) {
        waiting.pop_front();
        counts.dropped++;
    }
    waiting.push_back(std::move(json));
    SendWaiting();
}

void StopPublisher(double limit) {
    if (!client) return;
    const double end = Timer() + limit;
    // What is queued goes first while there is time, then the offline word.
    while (counts.connected && (!waiting.empty() || !inFlight.empty()) && Timer() < end - 0.5)
        PumpEvents(0.05);
    retained["status"] = StatusJson(false);
    if (counts.connected && Publish(base + "/status", retained["status"], true, &offlineMid))
        while (!offlineAcked && counts.connected && Timer() < end)
            PumpEvents(0.05);
    stopping = true;
    mosquitto_disconnect(client);
    // A connect under way to a host that does not answer may block the
    // network thread for a while: the process ends without waiting for it.
    while (!networkDone && Timer() < end + 1.0)
        Delay(0.01);
    if (!networkDone) {
        network.detach();
        return;
    }
    network.join();
    mosquitto_destroy(client);
    client = nullptr;
    mosquitto_lib_cleanup();
}

PublisherCounts PublisherState(void) {
    return counts;
}
