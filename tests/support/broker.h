// A real MQTT broker for end-to-end tests (mosquitto on 127.0.0.1, a free
// port, its own folder) and a reader subscribed with QoS 1.
//
// The broker runs as whoever starts the suite: started as root, mosquitto
// would otherwise switch to its own user, which cannot write the test's
// private folder (its persistence, and a log file there). Its log goes to
// standard error, kept in a file per start, so a test can show it.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "process.h"

struct mosquitto;

class Broker {
  public:
    // Picks a free port and starts the broker; one that is not anonymous
    // refuses every client (none has a password there). listener: more
    // lines for its listener ("certfile ...\nkeyfile ...\n" for TLS).
    explicit Broker(bool anonymous = true, const std::string &listener = "");
    ~Broker(); // stops it and removes its folder
    bool ok() const { return child_.pid > 0; }
    // Empty when the broker answers MQTT (a connect, a subscription and a
    // message round trip); else "test broker not serving: " and the last line
    // of its log.
    std::string problem();
    // Everything the broker logged since the first start.
    std::string log() const;
    int port() const { return port_; }
    std::string url() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }
    // Stops the broker (its state saved) and starts it again on the same port.
    void stop();
    bool start();

  private:
    std::string dir_;
    int port_ = 0;
    Child child_;
    std::vector<std::string> logs_; // standard error of each start
};

struct MqttMessage {
    std::string topic, payload;
    bool retained = false;
};

// A subscriber to filter with QoS 1 and a session kept by the broker, so that
// what comes while it reconnects after a broker restart is not lost.
class MqttReader {
  public:
    MqttReader(int port, const std::string &filter);
    ~MqttReader();
    bool connected(); // waits up to 5 s for the subscription
    // Every message so far, in arrival order (optionally of one topic).
    std::vector<MqttMessage> messages(const std::string &topic = "");
    // Waits up to seconds until test(messages()) holds; returns whether it did.
    bool waitFor(const std::function<bool(const std::vector<MqttMessage> &)> &test, double seconds);
    // Publishes text on topic (under vtlx-test/) and waits until it comes back: everything
    // published before it has arrived.
    bool marker(const std::string &topic);
    // Publishes payload on topic with QoS 1, not retained (as a control room would).
    void publish(const std::string &topic, const std::string &payload);

  private:
    static void OnConnect(mosquitto *, void *self, int rc);
    static void OnMessage(mosquitto *, void *self, const struct mosquitto_message *m);
    mosquitto *client_ = nullptr;
    std::string filter_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<MqttMessage> messages_;
    bool subscribed_ = false;
};
