// Home Assistant's discovery configs of the sensor identified last.
#include "monitor/discovery.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "com232/identify.h"
#include "com232/protocol.h"
#include "monitor/messages.h"
#include "monitor/publisher.h"
#include "platform/jsondoc.h"
#include "platform/textcodec.h"

namespace {

constexpr int STALE_S = 30; // a measurement entity without a new value this long is unavailable
// The run reply's fields shown as entities, by their names in RUN_FIELDS.
constexpr const char *SHOWN_FIELDS[] = {"Mvalue", "umValue", "Ledge", "Redge"};

std::vector<std::string> published; // the config topics of the sensor published last

// Home Assistant's ids take letters, digits, '_' and '-'; anything else is '_'.
std::string IdPart(std::string text) {
    for (char &c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') c = '_';
    return text;
}

std::string NodeId(const MonitorConfig &config) {
    std::string sensor;
    for (const IdentityWordDef &w : IDENTITY_WORDS)
        sensor += (sensor.empty() ? "" : "-") + std::to_string(*w.value);
    return "vortelix_" + IdPart(config.node) + "_" + sensor;
}

JsonItem Device(const MonitorConfig &config, const std::string &node) {
    JsonItem ids;
    ids.type = JsonItem::Type::Array;
    ids.elements.push_back(JsonItem::Of(node));
    const std::string type = "type " + std::to_string(ccdtype);
    const std::string description = SensorDescription();
    JsonItem d = JsonItem::NewObject();
    d.Add("identifiers", ids);
    d.Add("name", JsonItem::Of("VORTELIX " + type + " at " + config.node));
    d.Add("manufacturer", JsonItem::Of("VORTELIX"));
    d.Add("model", JsonItem::Of(description.empty() ? type : description));
    if (*szFirmware) d.Add("sw_version", JsonItem::Of(WinAnsiToUtf8(szFirmware)));
    return d;
}

// One entity's config: its state is templ of the JSON on BASE/sub; the
// caller adds what its kind needs.
JsonItem Entity(const MonitorConfig &config, const std::string &node, const std::string &object,
                const char *name, const char *sub, const std::string &templ) {
    JsonItem origin = JsonItem::NewObject();
    origin.Add("name", JsonItem::Of("vortelix-monitor"));
    origin.Add("sw_version", JsonItem::Of(VTLX_VERSION));
    JsonItem j = JsonItem::NewObject();
    j.Add("name", JsonItem::Of(name));
    j.Add("unique_id", JsonItem::Of(node + "_" + object));
    j.Add("state_topic", JsonItem::Of(config.topic + "/" + sub));
    j.Add("value_template", JsonItem::Of("{{ " + templ + " }}"));
    j.Add("availability_topic", JsonItem::Of(config.topic + "/availability"));
    j.Add("device", Device(config, node));
    j.Add("origin", origin);
    return j;
}

// Topic and payload of each config of the sensor identified last.
std::vector<std::pair<std::string, std::string>> Configs(const MonitorConfig &config) {
    const std::string node = NodeId(config);
    std::vector<std::pair<std::string, std::string>> out;
    auto add = [&](const char *component, const std::string &object, const JsonItem &j) {
        out.emplace_back(config.discovery + "/" + component + "/" + node + "/" + object + "/config",
                         WriteJsonLine(j));
    };
    for (const RunFieldDef &f : RUN_FIELDS) {
        if (std::none_of(std::begin(SHOWN_FIELDS), std::end(SHOWN_FIELDS),
                         [&](const char *n) { return std::string(n) == f.name; }))
            continue;
        JsonItem j = Entity(config, node, f.name, f.name, "measurement",
                            std::string("value_json.") + f.name);
        j.Add("unit_of_measurement",
              JsonItem::Of(f.unit == FieldUnit::Position ? PositionUnitName()
                                                         : FieldUnitName(f.unit)));
        j.Add("state_class", JsonItem::Of("measurement"));
        j.Add("expire_after", JsonItem::Of(STALE_S));
        add("sensor", f.name, j);
    }
    JsonItem inTol = Entity(config, node, "inTol", "In tolerance", "measurement",
                            "'ON' if value_json.inTol else 'OFF'");
    inTol.Add("payload_on", JsonItem::Of("ON"));
    inTol.Add("payload_off", JsonItem::Of("OFF"));
    inTol.Add("expire_after", JsonItem::Of(STALE_S));
    add("binary_sensor", "inTol", inTol);
    JsonItem rate =
        Entity(config, node, "replyRate", "Reply rate", "health", "value_json.replyRate");
    rate.Add("unit_of_measurement", JsonItem::Of("1/s"));
    rate.Add("state_class", JsonItem::Of("measurement"));
    add("sensor", "replyRate", rate);
    add("sensor", "link", Entity(config, node, "link", "Link", "link", "value_json.state"));
    return out;
}

} // namespace

void PublishDiscovery(const MonitorConfig &config) {
    if (config.discovery.empty()) return;
    const auto configs = Configs(config);
    for (const std::string &topic : published)
        if (std::none_of(configs.begin(), configs.end(), [&](auto &c) { return c.first == topic; }))
            PublishRetainedAt(topic, "");
    published.clear();
    for (const auto &[topic, payload] : configs) {
        PublishRetainedAt(topic, payload);
        published.push_back(topic);
    }
}
