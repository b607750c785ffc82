#include "broker.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <mosquitto.h>

namespace {

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

} // namespace

Broker::Broker(bool anonymous, const std::string &listener) {
    char templ[] = "/tmp/vtlx-broker-XXXXXX";
    dir_ = mkdtemp(templ);
    port_ = FreePort();
    std::ofstream(dir_ + "/mosquitto.conf")
        << "listener " << port_ << " 127.0.0.1\n"
        << listener << "allow_anonymous " << (anonymous ? "true\n" : "false\n")
        << "persistence true\npersistence_location " << dir_ << "/\n"
        << "log_dest stderr\nlog_timestamp_format %H:%M:%S\n"
        << (geteuid() == 0 ? "user root\n" : "");
    start();
}

Broker::~Broker() {
    stop();
    std::filesystem::remove_all(dir_);
}

bool Broker::start() {
    child_ = Start({"/usr/sbin/mosquitto", "-c", dir_ + "/mosquitto.conf"}, dir_, dir_);
    logs_.push_back(child_.err);
    for (int i = 0; i < 500 && child_.pid > 0; i++) {
        if (Accepts(port_)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void Broker::stop() {
    if (child_.pid > 0) Stop(child_, 10);
    child_.pid = -1;
}

std::string Broker::problem() {
    MqttReader probe(port_, "vtlx-test/probe");
    if (probe.connected()) return "";
    std::istringstream lines(log());
    std::string line, last = child_.pid > 0 ? "(nothing logged)" : "(mosquitto did not start)";
    while (std::getline(lines, line))
        if (!line.empty()) last = line;
    return "test broker not serving: " + last;
}

std::string Broker::log() const {
    std::string all;
    for (const std::string &path : logs_) {
        std::ifstream in(path);
        all.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return all;
}

MqttReader::MqttReader(int port, const std::string &filter) : filter_(filter) {
    mosquitto_lib_init();
    static int serial = 0;
    const std::string id =
        "vtlx-reader-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
    client_ = mosquitto_new(id.c_str(), false, this);
    mosquitto_connect_callback_set(client_, OnConnect);
    mosquitto_message_callback_set(client_, OnMessage);
    mosquitto_reconnect_delay_set(client_, 1, 1, false);
    mosquitto_connect_async(client_, "127.0.0.1", port, 30);
    mosquitto_loop_start(client_);
}

MqttReader::~MqttReader() {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, true);
    mosquitto_destroy(client_);
}

void MqttReader::OnConnect(mosquitto *m, void *self, int rc) {
    auto *r = static_cast<MqttReader *>(self);
    if (rc == 0) mosquitto_subscribe(m, nullptr, r->filter_.c_str(), 1);
    if (rc == 0) mosquitto_subscribe(m, nullptr, "vtlx-test/#", 1); // the markers
    std::lock_guard<std::mutex> lock(r->mutex_);
    r->subscribed_ = rc == 0;
    r->changed_.notify_all();
}

void MqttReader::OnMessage(mosquitto *, void *self, const mosquitto_message *m) {
    auto *r = static_cast<MqttReader *>(self);
    std::lock_guard<std::mutex> lock(r->mutex_);
    r->messages_.push_back({m->topic,
                            std::string(static_cast<const char *>(m->payload),
                                        static_cast<std::size_t>(m->payloadlen)),
                            m->retain});
    r->changed_.notify_all();
}

bool MqttReader::connected() {
    // The SUBACK is not reported here: a marker round trip proves the subscription.
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::seconds(5), [&] { return subscribed_; }))
        return false;
    lock.unlock();
    return marker("vtlx-test/connected");
}

std::vector<MqttMessage> MqttReader::messages(const std::string &topic) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (topic.empty()) return messages_;
    std::vector<MqttMessage> some;
    for (const auto &m : messages_)
        if (m.topic == topic) some.push_back(m);
    return some;
}

bool MqttReader::waitFor(const std::function<bool(const std::vector<MqttMessage> &)> &test,
                         double seconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::duration<double>(seconds),
                             [&] { return test(messages_); });
}

bool MqttReader::marker(const std::string &topic) {
    static int serial = 0;
    const std::string text = "marker-" + std::to_string(++serial);
    const auto seen = [&](const std::vector<MqttMessage> &all) {
        for (const auto &m : all)
            if (m.topic == topic && m.payload == text) return true;
        return false;
    };
    // Published until it comes back: the subscription may still be on its way.
    for (int i = 0; i < 50; i++) {
        mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(text.size()),
                          text.data(), 1, false);
        if (waitFor(seen, 0.2)) return true;
    }
    return false;
}

void MqttReader::publish(const std::string &topic, const std::string &payload) {
    mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                      payload.data(), 1, false);
}
