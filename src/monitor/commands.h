// Commands from the control room: BASE/command in, one result each on
// BASE/command/result.
//
// How it works
// - Only with commands = on: the monitor then subscribes to BASE/command
//   (QoS 1). Anyone who may publish there could teach the sensor, so it is
//   off by default; the broker's access lists and TLS decide who may.
// - A command is {"command": NAME, "id": ID}, ID a text or a number. Each
//   gets exactly one result {"id","command","ok","text","time"}; a payload
//   that is no such object, an unknown name or a missing id is answered
//   ok: false with the reason. Every command and its result is one journal
//   line.
// - reset-statistics is done at once (no line needed). The sensor's
//   commands (reset-maxmin, teach, read-parameters) wait for the next run
//   reply and go out right after it, before the next request, sent as the
//   desktop program sends them; their replies never reach the measurements.
//   Teach reads the set back, so the next request carries the new
//   set-point, and the result names it; read-parameters publishes the set.
// - While the link is not "ok" a sensor command is answered at once with
//   the link's state; commands waiting when the link fails or the monitor
//   stops are answered so too.
#pragma once

#include <string>

// Subscribes when enabled; nothing is taken otherwise.
void StartCommands(bool enabled);

// The link's state: measuring (the link is "ok") or not, with its text.
void CommandsLinkState(bool measuring, const std::string &state, const std::string &text);

// Sends the sensor commands waiting, one after the other (called between
// two run replies).
void RunWaitingCommands(void);

// Answers every command still waiting with why: the monitor stops.
void StopCommands(const std::string &why);

// Takes one payload of BASE/command (the subscription's handler).
void TakeCommand(const std::string &payload);

// Hands each result to sink instead of publishing it (nullptr: publish
// again); for a caller without a broker.
void CommandResultsTo(void (*sink)(const std::string &json));

// Sensor commands waiting for the line.
int CommandsWaiting(void);
