// The monitor's configuration: command-line options over an INI file.
//
// Every key of the file is also an option of the same name, and an option
// given on the command line wins over the file. Everything is checked before
// the monitor touches the line or the broker: a wrong setting is one line of
// text and exit code 2, nothing sent. The file is read strictly (a line that
// is not "key = value", a file that is not text, a key given twice are
// refused with the file and the line), and a value is taken as written.
#pragma once

#include <string>

struct MonitorConfig {
    std::string port = "1"; // port number (COM1 = 1) or device path
    int portNumber = 1;     // the number, 0 when port is a path
    std::string brokerHost = "localhost";
    int brokerPort = 1883;    // 1883 for mqtt://, 8883 for mqtts:// when not given
    bool tls = false;         // mqtts://: TLS with certificate checking
    std::string topic;        // base topic, "vortelix/<host>/<port>" when not given
    std::string clientId;     // "vortelix-monitor-<host>-<port>" when not given
    std::string username;     // "" for none
    std::string password;     // read from the password file
    std::string cafile;       // certificate authorities for TLS; "" for the system's
    std::string recordDir;    // one recording per local day there; "" for none
    double statsEvery = 10.0; // seconds between statistics messages
    long queueLimit = 100000; // measurements held while the broker is away
    bool commands = false;    // take commands on BASE/command
    std::string discovery;    // Home Assistant discovery prefix; "" for no discovery
    std::string node;         // "<host>-<port>": this monitor's place, in discovery ids
};

// Exit code of a configuration the monitor refuses.
inline constexpr int CONFIG_EXIT = 2;

// Reads the configuration. Returns 0 to run, 1 when --help or --version was
// printed (exit 0), CONFIG_EXIT with one line naming the fault in error.
int LoadMonitorConfig(int argc, char **argv, MonitorConfig *config, std::string *error);

// Splits "mqtt://host[:port]" or "mqtts://host[:port]". Returns 1, or 0 when
// url is not of that form.
int ParseBrokerUrl(const std::string &url, std::string *host, int *port, bool *tls);
