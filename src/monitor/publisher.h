// The MQTT publisher: retained topics, measurements in order, last will.
//
// How it works
// - The connection (MQTT v5) runs on a network thread, which connects and
//   reconnects with a back-off from 1 s to 30 s, a first connect that fails
//   included; the back-off starts again from 1 s only after a connection
//   that held a minute, so a client id taken over by another client does
//   not reconnect every second. Its events (connected, lost, a message
//   acknowledged) are handed to the main thread (PostToMainThread); the main
//   thread never waits for the network thread.
// - Each change of the connection's state is one line on standard error,
//   the journal (connected, unreachable and why, refused by the broker and
//   why, lost, taken over), told once while the state lasts.
// - The broker's last will publishes {"state":"offline","onlineSince":...}
//   on BASE/status (retained, QoS 1) when the monitor dies without a word;
//   it is set anew before each connect, with that connect's time.
// - Retained topics are kept here and published again on every connect, so a
//   broker that restarted without them has them back at once. An empty one
//   is a removal (the broker forgets what it kept there): it is kept and sent
//   again the same way, so a broker that was away when it went out forgets
//   too, until something else is published there.
// - Measurements wait in a bounded queue, in order, and go out with QoS 1 while
//   connected, a window of them unacknowledged at a time. Past the bound the
//   oldest waiting one is dropped and counted. A message handed to the
//   library is resent by it after a reconnect, so a reader may see a
//   duplicate but never a gap.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "monitor/config.h"

struct mosquitto;

struct PublisherCounts {
    long waiting = 0;    // measurements queued, not yet handed to the library
    long inFlight = 0;   // handed over, not yet acknowledged
    long sent = 0;       // acknowledged by the broker
    long dropped = 0;    // dropped from a full queue
    long reconnects = 0; // connections made after the first
    bool connected = false;
};

// Sets up the client (will, TLS, credentials) and starts connecting; returns
// at once. Returns 1, or 0 with a line in error (the library refused the set-up).
int StartPublisher(const MonitorConfig &config, std::string *error);

// Publishes json on BASE/sub, retained, QoS 1, now and after every reconnect.
void PublishRetained(const char *sub, const std::string &json);

// The same on a full topic outside BASE; an empty payload removes the
// broker's retained message there.
void PublishRetainedAt(const std::string &topic, const std::string &payload);

// Queues one measurement for BASE/measurement (QoS 1, not retained).
void QueueMeasurement(std::string json);

// Publishes json on BASE/sub, not retained, QoS 1; while the broker is away
// it waits and goes out on the next connect.
void PublishMessage(const char *sub, const std::string &json);

// Subscribes to BASE/sub with QoS 1, now and after every reconnect. Each
// message that is not retained is handed to handler on the main thread; a
// retained one would come again on every connect, so it is passed over
// with a journal line.
void SubscribeTopic(const char *sub, void (*handler)(const std::string &payload));

// Publishes offline on BASE/status and waits, pumping events, until the broker
// has it or `limit` seconds have passed; then disconnects and ends the
// network thread.
void StopPublisher(double limit);

PublisherCounts PublisherState(void);

// True once the first connect has returned, whatever its result: the
// library's TLS set-up, made on a client's first connect without a lock, is
// then done, and another client may connect beside this one.
bool PublisherTriedOnce(void);

// A client of the configured broker under id: MQTT v5, TLS and credentials
// as configured, not connected. nullptr with a line in error when the
// library refuses the set-up.
mosquitto *NewBrokerClient(const MonitorConfig &config, const std::string &id, std::string *error);

// Waits, pausing, until the client's thread has set done or Timer() reaches
// until; then joins it and destroys the client (*client null) and returns
// true. A thread still blocked in a connect to a host that does not answer
// is left to the process's end: false.
bool EndClientThread(std::thread *thread, const std::atomic<bool> &done, double until,
                     mosquitto **client);

// {"state":"online","time":"..."} and its offline twin.
std::string StatusJson(bool online);
