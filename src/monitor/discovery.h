// Home Assistant's MQTT discovery of the sensor on the port (--discovery
// PREFIX): the configs from which it makes a device and its entities.
//
// How it works
// - Each sensor identified is one device, node id
//   "vortelix_<host>-<port>_<sensor>", where <sensor> is its identity words
//   joined by '-': the words name the sensor's build, and it has no serial
//   number, so a sensor swapped for one of the same build stays one device.
//   The device names the sensor's description (model) and firmware text
//   (sw_version); each config's origin names this program and its version.
// - Its entities, at PREFIX/<component>/<node id>/<object id>/config,
//   retained: the measured value, the micrometre value and both edges (from
//   BASE/measurement, with their units), in tolerance (BASE/measurement),
//   the reply rate (BASE/health) and the link's state (BASE/link). Each is
//   available while BASE/availability says "online"; one of the measurement
//   is unavailable after STALE_S without a measurement, so a silent sensor
//   does not show its last value as the present one.
// - Each identification publishes the configs of the sensor found. When
//   another sensor was identified before, its configs are removed first (an
//   empty retained payload), so Home Assistant drops its device.
#pragma once

#include "monitor/config.h"

// Publishes the configs of the sensor just identified and removes those of
// the one before when it was another; does nothing without a prefix.
void PublishDiscovery(const MonitorConfig &config);
