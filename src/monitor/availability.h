// BASE/availability: plain "online" or "offline", retained, for readers that
// want a word rather than the JSON of BASE/status (Home Assistant's entities).
//
// How it works
// - A connection has one last will, and the main one's is the JSON of
//   BASE/status. This second, small connection to the same broker (same TLS
//   and credentials, client id the main one's with "-availability") exists
//   for its will: "offline" on BASE/availability, retained, QoS 1, which the
//   broker publishes when the monitor dies without a word.
// - It runs on a thread of its own, which connects and reconnects with the
//   main connection's back-off (1 s doubling to 30 s, from 1 s again after a
//   connection that held a minute), and publishes "online", retained, on
//   each connect. Its failures are not told: the main connection's journal
//   lines tell what the broker does.
// - A clean stop publishes "offline" and waits for the broker's ack; without
//   it by the limit, the connection ends asking the broker for the will, which
//   says "offline" as well.
#pragma once

#include <string>

#include "monitor/config.h"

// Sets the client up (will, TLS, credentials) and starts connecting; returns
// at once. Returns 1, or 0 with a line in error (the library refused the set-up).
int StartAvailability(const MonitorConfig &config, std::string *error);

// Publishes "offline" and waits until the broker has it or `limit` seconds
// have passed; then disconnects and ends the thread.
void StopAvailability(double limit);
