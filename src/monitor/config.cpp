// Options and config file of the monitor.
#include "monitor/config.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/configsource.h"

namespace {

constexpr std::size_t MAX_TOPIC = 4096;    // bytes of a base topic or prefix
constexpr std::size_t MAX_CLIENT_ID = 128; // bytes of a client id
constexpr std::size_t MAX_PORT_NAME = 255; // bytes of a file name, the most a device's has

constexpr char ABOUT[] = "Publishes every measurement of a VORTELIX sensor to an MQTT broker.";

const ConfigOption OPTIONS[] = {
    {"config", "FILE", "Read the settings from this INI file (options win over it)."},
    {"port", "N|PATH", "Serial port: a number (1 = COM1) or a device path. Default 1."},
    {"broker", "URL", "mqtt://host:port or mqtts://host:port. Default mqtt://localhost:1883."},
    {"topic", "BASE", "Base topic. Default vortelix/<host>/<port>."},
    {"client-id", "ID", "MQTT client id. Default vortelix-monitor-<host>-<port>."},
    {"username", "U", "User name at the broker."},
    {"password-file", "F", "File holding the password; only its owner may read it."},
    {"cafile", "F", "Certificate authorities for mqtts:// (default: the system's)."},
    {"record", "DIR", "Record every measurement there, one file per local day."},
    {"stats-every", "SECONDS", "Seconds between statistics messages. Default 10."},
    {"queue-limit", "N", "Measurements kept while the broker is away. Default 100000."},
    {"commands", "on|off",
     "Take commands on BASE/command (anyone who may publish there may "
     "teach the sensor). Default off."},
    {"discovery", "PREFIX",
     "Home Assistant discovery configs under this prefix (e.g. homeassistant)."},
};
constexpr int OPTION_COUNT = sizeof OPTIONS / sizeof OPTIONS[0];

bool KnownKey(const std::string &key) {
    for (const ConfigOption &o : OPTIONS)
        if (key == o.name && key != "config") return true;
    return false;
}

// A whole decimal number in [low, high].
bool WholeNumber(const std::string &text, long low, long high, long *out) {
    if (text.empty()) return false;
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno || *end || v < low || v > high) return false;
    *out = v;
    return true;
}

// Why value cannot be a base topic or prefix, or nullptr when it can.
const char *TopicFault(const std::string &value) {
    if (value.empty() || value.find_first_of("#+") != std::string::npos || value.back() == '/')
        return "a topic without wildcards or a trailing '/'";
    // Topics of '$' are the broker's own: it drops what a client publishes there.
    if (value[0] == '$') return "a topic not beginning with '$' (the broker's own)";
    if (value.size() > MAX_TOPIC) return "a topic of at most 4096 bytes";
    return nullptr;
}

// A text of the user's for a one-line message: control characters as '?'.
std::string OneLine(std::string text) {
    for (char &c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return text;
}

// The last part of a device path, or the number: for names and topics.
std::string PortName(const MonitorConfig &c) {
    if (c.portNumber > 0) return std::to_string(c.portNumber);
    const auto slash = c.port.find_last_of('/');
    return slash == std::string::npos ? c.port : c.port.substr(slash + 1);
}

// Takes one setting; from names where it came from ("--broker", "key broker in F line 3").
bool Apply(MonitorConfig *c, const std::string &key, const std::string &value,
           const std::string &from, std::string *error, std::string *passwordFile) {
    auto bad = [&](const char *what) {
        *error = "bad " + from + " '" + OneLine(value) + "': " + what;
        return false;
    };
    // No setting holds one: in a topic, a path or a name it would only be
    // a mistake nobody sees (a carriage return from an edited file).
    if (OneLine(value) != value) return bad("a control character in it");
    long n = 0;
    if (key == "port") {
        if (!value.empty() && value[0] == '/') {
            c->portNumber = 0;
        } else if (WholeNumber(value, 1, 256, &n)) {
            c->portNumber = static_cast<int>(n);
        } else {
            return bad("a port number 1..256 or a device path");
        }
        c->port = value;
    } else if (key == "broker") {
        if (!ParseBrokerUrl(value, &c->brokerHost, &c->brokerPort, &c->tls))
            return bad("not mqtt://host:port or mqtts://host:port");
    } else if (key == "topic" || key == "discovery") {
        if (const char *fault = TopicFault(value)) return bad(fault);
        (key == "topic" ? c->topic : c->discovery) = value;
    } else if (key == "client-id") {
        if (value.empty() || value.size() > MAX_CLIENT_ID) return bad("1 to 128 characters");
        c->clientId = value;
    } else if (key == "username") {
        c->username = value;
    } else if (key == "password-file") {
        *passwordFile = value;
    } else if (key == "cafile") {
        c->cafile = value;
    } else if (key == "record") {
        // Refused at the start: a service that ran on without recording
        // would be noticed only when the records are wanted.
        if (!FolderIsWritable(value.c_str())) return bad("not a folder this user may write in");
        c->recordDir = value;
    } else if (key == "stats-every") {
        if (!WholeNumber(value, 1, 86400, &n)) return bad("whole seconds 1..86400");
        c->statsEvery = static_cast<double>(n);
    } else if (key == "commands") {
        if (value != "on" && value != "off") return bad("on or off");
        c->commands = value == "on";
    } else if (key == "queue-limit") {
        if (!WholeNumber(value, 1, 10000000, &n)) return bad("a count 1..10000000");
        c->queueLimit = n;
    }
    return true;
}

} // namespace

int ParseBrokerUrl(const std::string &url, std::string *host, int *port, bool *tls) {
    bool secure = false;
    std::string rest;
    if (url.rfind("mqtt://", 0) == 0) {
        rest = url.substr(7);
    } else if (url.rfind("mqtts://", 0) == 0) {
        rest = url.substr(8);
        secure = true;
    } else {
        return 0;
    }
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    std::string name = rest;
    long number = secure ? 8883 : 1883;
    // "[::1]:1883" for an IPv6 address, else "host:port".
    std::string::size_type colon = std::string::npos;
    if (!rest.empty() && rest[0] == '[') {
        const auto close = rest.find(']');
        if (close == std::string::npos) return 0;
        name = rest.substr(1, close - 1);
        if (close + 1 < rest.size()) {
            if (rest[close + 1] != ':') return 0;
            colon = close + 1;
        }
    } else {
        colon = rest.find(':');
        if (colon != std::string::npos) name = rest.substr(0, colon);
    }
    if (colon != std::string::npos && !WholeNumber(rest.substr(colon + 1), 1, 65535, &number))
        return 0;
    if (name.empty() || name.find_first_of("/?#@ ") != std::string::npos) return 0;
    *host = name;
    *port = static_cast<int>(number);
    *tls = secure;
    return 1;
}

namespace {

int Load(int argc, char **argv, MonitorConfig *config, std::string *error) {
    ConfigValues options;
    const int parsed = ParseCommandOptions(argc, argv, ABOUT, VTLX_VERSION, OPTIONS, OPTION_COUNT,
                                           &options, error);
    if (parsed != 0) return parsed == 1 ? 1 : CONFIG_EXIT;

    MonitorConfig c;
    std::string passwordFile;
    for (const auto &[key, value] : options) {
        if (key != "config") continue;
        ConfigValues keys;
        std::vector<int> lines;
        if (!ReadIniKeys(value.c_str(), &keys, &lines, error)) return CONFIG_EXIT;
        for (std::size_t i = 0; i < keys.size(); i++) {
            const auto &[k, v] = keys[i];
            const std::string where = " in " + value + " line " + std::to_string(lines[i]);
            if (!KnownKey(k)) {
                *error = "unknown key '" + k + "'" + where;
                return CONFIG_EXIT;
            }
            if (!Apply(&c, k, v, "key " + k + where, error, &passwordFile)) return CONFIG_EXIT;
        }
    }
    for (const auto &[key, value] : options)
        if (key != "config" && !Apply(&c, key, value, "--" + key, error, &passwordFile))
            return CONFIG_EXIT;

    if (!passwordFile.empty()) {
        // A relative name is looked for in the credentials folder the
        // service manager hands the service (LoadCredential=), if any.
        const char *credentials = std::getenv("CREDENTIALS_DIRECTORY");
        if (passwordFile[0] != '/' && credentials && *credentials)
            passwordFile = std::string(credentials) + "/" + passwordFile;
        if (!ReadOwnerOnlyFile(passwordFile.c_str(), &c.password, error)) return CONFIG_EXIT;
        if (c.username.empty()) {
            *error = "password file " + passwordFile + " given without a username";
            return CONFIG_EXIT;
        }
    }
    if (!c.cafile.empty()) {
        if (!FileIsReadable(c.cafile.c_str())) {
            *error = "cannot read CA file " + c.cafile;
            return CONFIG_EXIT;
        }
        if (!c.tls) {
            *error = "CA file " + c.cafile + " given for a broker without TLS (use mqtts://)";
            return CONFIG_EXIT;
        }
    }
    std::string host = MachineName();
    if (host.empty()) host = "localhost";
    // The defaults are made from the port's name, which a device path may
    // leave empty, or fill with a wildcard or more than a file name holds.
    const std::string name = PortName(c);
    const bool named = !name.empty() && name.size() <= MAX_PORT_NAME;
    if (c.topic.empty()) {
        c.topic = "vortelix/" + host + "/" + name;
        if (!named || TopicFault(c.topic)) {
            *error = "port " + c.port + " gives no default topic: give topic";
            return CONFIG_EXIT;
        }
    }
    if (c.clientId.empty()) {
        if (!named) {
            *error = "port " + c.port + " gives no default client id: give client-id";
            return CONFIG_EXIT;
        }
        c.clientId = "vortelix-monitor-" + host + "-" + name;
    }
    c.node = host + "-" + name;
    *config = c;
    return 0;
}

} // namespace

int LoadMonitorConfig(int argc, char **argv, MonitorConfig *config, std::string *error) {
    const int rc = Load(argc, argv, config, error);
    // Every reason is one journal line, whatever it quotes.
    if (rc == CONFIG_EXIT) *error = OneLine(*error);
    return rc;
}
