// The availability connection on libmosquitto.
#include "monitor/availability.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include "monitor/publisher.h"
#include "platform/runtime.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int KEEPALIVE_S = 30;                   // as the main connection's
constexpr double RECONNECT_MIN_S = 1;             // first pause after a lost connection
constexpr double RECONNECT_MAX_S = 30;            // the pause doubles up to this
constexpr auto STEADY = std::chrono::seconds(60); // held this long, the pause starts again
constexpr int LOOP_MS = 100;                      // the thread looks at a stop this often
constexpr int QOS = 1;
constexpr char ONLINE[] = "online";
constexpr char OFFLINE[] = "offline";

mosquitto *client = nullptr; // the connection, once started
std::string host;            // the broker
int port = 0;
std::string topic;                 // BASE/availability
std::thread thread;                // runs the connection (Run)
std::atomic<bool> stopping{false}; // set by StopAvailability
std::atomic<double> stopLimit{0};  // s the thread gives the broker to take "offline"
std::atomic<bool> done{false};     // set by the thread as it ends
// Written by the thread only, in its callbacks and its loop.
bool online = false; // connected, the broker answered
int offlineMid = -1; // id of "offline" once sent
bool offlineAcked = false;

void Say(const char *word, int *mid) {
    mosquitto_publish(client, mid, topic.c_str(), static_cast<int>(std::strlen(word)), word, QOS,
                      true);
}

void OnConnect(mosquitto *, void *, int rc) {
    online = rc == 0;
    if (online) Say(ONLINE, nullptr);
}
void OnDisconnect(mosquitto *, void *, int) {
    online = false;
}
void OnPublish(mosquitto *, void *, int mid) {
    if (mid == offlineMid) offlineAcked = true;
}

// A stop was asked: "offline" once connected, then a clean disconnect once
// the broker has it, or at the limit one that asks the broker for the will.
// True when the connection has ended.
bool Ended(Clock::time_point giveUp) {
    if (online && offlineMid < 0) Say(OFFLINE, &offlineMid);
    if (offlineAcked)
        mosquitto_disconnect(client);
    else if (Clock::now() >= giveUp)
        mosquitto_disconnect_v5(client, MQTT_RC_DISCONNECT_WITH_WILL_MSG, nullptr);
    else
        return false;
    return true;
}

// The thread: connects, runs the connection until it ends, pauses, and again.
void Run() {
    double pause = RECONNECT_MIN_S;
    bool first = true;
    Clock::time_point giveUp = Clock::time_point::max();
    // Two first connects at once would both make the library's TLS globals
    // (one of them never freed): this one waits for the main connection's.
    while (!stopping && !PublisherTriedOnce())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    while (!stopping) {
        const int rc = first ? mosquitto_connect(client, host.c_str(), port, KEEPALIVE_S)
                             : mosquitto_reconnect(client);
        if (rc == MOSQ_ERR_SUCCESS) {
            first = false;
            const auto since = Clock::now();
            while (mosquitto_loop(client, LOOP_MS, 1) == MOSQ_ERR_SUCCESS) {
                if (!stopping) continue;
                if (giveUp == Clock::time_point::max())
                    giveUp = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                std::chrono::duration<double>(stopLimit));
                if (Ended(giveUp)) break;
            }
            if (Clock::now() - since >= STEADY) pause = RECONNECT_MIN_S;
        }
        for (double slept = 0; !stopping && slept < pause; slept += 0.1)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pause = pause * 2 > RECONNECT_MAX_S ? RECONNECT_MAX_S : pause * 2;
    }
    done = true;
}

} // namespace

int StartAvailability(const MonitorConfig &config, std::string *error) {
    client = NewBrokerClient(config, config.clientId + "-availability", error);
    if (!client) return 0;
    topic = config.topic + "/availability";
    const int rc = mosquitto_will_set(client, topic.c_str(), static_cast<int>(std::strlen(OFFLINE)),
                                      OFFLINE, QOS, true);
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = std::string("MQTT set-up: ") + mosquitto_strerror(rc);
        return 0;
    }
    mosquitto_connect_callback_set(client, OnConnect);
    mosquitto_disconnect_callback_set(client, OnDisconnect);
    mosquitto_publish_callback_set(client, OnPublish);
    host = config.brokerHost;
    port = config.brokerPort;
    thread = std::thread(Run);
    return 1;
}

void StopAvailability(double limit) {
    if (!client) return;
    stopLimit = limit;
    stopping = true;
    EndClientThread(&thread, done, Timer() + limit + 1.0, &client);
}
