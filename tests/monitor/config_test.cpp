// The monitor's configuration file read strictly, and the journal lines
// (standard error) that tell an operator why the broker is away.
#include <algorithm>

#include "monitorfixture.h"
#include "waits.h"

namespace {

// Waits until the child's standard error holds what.
bool Says(const Child &c, const std::string &what, double seconds = 20) {
    return WaitUntil([&] { return ReadFile(c.err).find(what) != std::string::npos; }, seconds);
}

// A file that would once run on settings nobody wrote (a dropped line, a
// repeated key won by the last, binary garbage taken as keys) is refused with
// its name and line, exit code 2, nothing sent.
TEST_F(Monitor, RefusesAConfigFileNotAsWritten) {
    struct Case {
        const char *what;
        std::string text;
        int line;
        const char *says;
    };
    const std::string aFile = file("plain", "x");
    const std::vector<Case> cases = {
        {"no '='", "# the line\nbroker mqtt://127.0.0.1:1\n", 2, "not key = value"},
        {"binary", std::string("\177ELF\2\1\1\0\0\0", 10), 1, "not text"},
        {"not UTF-8", "port = 1\ntopic = caf\xe9\n", 2, "not UTF-8 text"},
        {"twice", "topic = a\n\n[General]\ntopic = b\n", 4, "topic given twice (first on line 1)"},
        {"'$' topic", "topic = $SYS/line\n", 1, "beginning with '$'"},
        {"missing record folder", "record = /nonexistent/records\n", 1, "not a folder"},
        {"record not a folder", "\nrecord = " + aFile + "\n", 2, "not a folder"},
        {"half a section", "[General\n", 1, "not a [section] header"},
        {"carriage return in a value", "port = 1\r\ntopic = a\rb\r\n", 2, "control character"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string conf = file("strict.conf", c.text);
        const Child bad = start({"--config", conf});
        EXPECT_EQ(WaitExit(bad, 20), 2);
        const std::string err = ReadFile(bad.err);
        EXPECT_NE(err.find(conf + " line " + std::to_string(c.line)), std::string::npos) << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    child.pid = -1;
    EXPECT_TRUE(sensor.framesReceived().empty());
}

// Settings the monitor could not use are refused before it starts, in one
// journal line: a port whose name makes no topic or client id, a control
// character, a topic past 4096 bytes, a password file no password file is.
TEST_F(Monitor, RefusesSettingsItCouldNotUse) {
    const std::string big = file("big.password", std::string(65 * 1024, 'x'));
    const struct {
        std::vector<std::string> args;
        const char *says;
    } cases[] = {
        {{"--port", "/dev/"}, "gives no default topic"},
        {{"--port", "/dev/serial/by-id/line#3"}, "gives no default topic"},
        {{"--port", "/dev/" + std::string(300, 'x'), "--topic", "a"}, "gives no default client id"},
        {{"--topic", "plant\nline"}, "a control character"},
        {{"--topic", std::string(4097, 'a')}, "at most 4096 bytes"},
        {{"--username", "u", "--password-file", big}, "over 64 KiB"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.says);
        std::vector<std::string> args = {VTLX_MONITOR, "--broker", broker.url()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Child bad = Start(args, dir, dir);
        EXPECT_EQ(WaitExit(bad, 20), 2);
        const std::string err = ReadFile(bad.err);
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    EXPECT_TRUE(sensor.framesReceived().empty());
}

// A comma is legal in a topic: the file's value is published under as
// written, not as a list joined again with ", " (nor with the "\r" of a
// file written on Windows).
TEST_F(Monitor, TopicFromTheFileAsWritten) {
    const std::string conf =
        file("comma.conf", "port = 1\r\nbroker = " + broker.url() + "\r\ntopic = test/a,b ; c\r\n");
    child = Start({VTLX_MONITOR, "--config", conf}, dir, dir);
    EXPECT_TRUE(reader.waitFor(LastState("test/a,b ; c/status", "online"), 20));
}

// Why the broker is away, one line each, told once however often the
// back-off tries again (the refusing broker logs every try).
TEST_F(Monitor, TellsTheJournalWhyTheBrokerIsAway) {
    Broker locked(false);
    for (const auto &[url, says] : std::vector<std::pair<std::string, std::string>>{
             {"mqtt://nonexistent.invalid:1883", "unreachable: host name not found"},
             {locked.url(), "refused the connection: Not authori"}}) {
        SCOPED_TRACE(url);
        const Child m = Start({VTLX_MONITOR, "--broker", url}, dir, dir);
        EXPECT_TRUE(Says(m, says)) << ReadFile(m.err);
        if (url == locked.url()) {
            EXPECT_TRUE(WaitUntil([&] { return Count(locked.log(), "not authorised") >= 3; }, 30));
        }
        EXPECT_EQ(Stop(m, 20), 0) << ReadFile(m.err);
        EXPECT_EQ(Count(ReadFile(m.err), "vortelix-monitor: broker "), 1u) << ReadFile(m.err);
    }
    // Nobody listening, then the broker back: two lines, in that order.
    broker.stop();
    start();
    EXPECT_TRUE(Says(child, "broker 127.0.0.1:" + std::to_string(broker.port()) +
                                " unreachable: Connection refused"));
    ASSERT_TRUE(broker.start());
    EXPECT_TRUE(Says(child, "broker connected (127.0.0.1:" + std::to_string(broker.port())));
    EXPECT_EQ(Count(ReadFile(child.err), "vortelix-monitor: broker "), 2u) << ReadFile(child.err);
    broker.stop();
    EXPECT_TRUE(Says(child, "connection lost"));
}

// mqtts:// to a broker whose certificate, made out to another host, is
// signed by an authority the monitor was not given, then by the one it was:
// OpenSSL's reason in the journal, not just "TLS error".
TEST_F(Monitor, TellsTheJournalWhyTlsFailed) {
    const Child made =
        Start({"/bin/sh", "-c",
               "set -e; key='-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes'\n"
               "for ca in ca other; do openssl req -x509 -days 1 -subj /CN=$ca $key "
               "-keyout $ca.key -out $ca.pem; done\n"
               "openssl req -subj /CN=elsewhere.example $key -keyout server.key -out server.csr\n"
               "openssl x509 -req -days 1 -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial "
               "-out server.pem\n"},
              dir, dir);
    ASSERT_EQ(WaitExit(made, 60), 0) << ReadFile(made.err);
    Broker tls(true, "certfile " + dir + "/server.pem\nkeyfile " + dir + "/server.key\n");
    for (const std::string ca : {"other", "ca"}) {
        SCOPED_TRACE(ca);
        const Child m =
            Start({VTLX_MONITOR, "--broker", "mqtts://127.0.0.1:" + std::to_string(tls.port()),
                   "--cafile", dir + "/" + ca + ".pem", "--client-id", ca},
                  dir, dir);
        EXPECT_TRUE(Says(m, "certificate verify failed")) << ReadFile(m.err) << tls.log();
        EXPECT_EQ(Stop(m, 20), 0) << ReadFile(m.err);
    }
}

// Two monitors given one client id kick each other off the broker. Each
// says so once, and their connects (in the broker's log) are spaced by the
// back-off (1, 2, 4 ... s), not one a second as when every connection reset
// it. Even if the waits before the window took a minute, each could have
// connected at most 7 times by its end (a slower machine connects less often).
TEST_F(Monitor, ClientIdTakenOverBacksOff) {
    SimulatedSensor second(PacedConfig(), 2, folder);
    start({"--client-id", "twin"});
    ASSERT_TRUE(reader.waitFor(LastState(base + "/status", "online"), 20));
    Child other =
        Start(MonitorArgs(2, broker.url(), "test/other", {"--client-id", "twin"}), dir, dir);
    EXPECT_TRUE(Says(child, "client id twin taken over"));
    EXPECT_TRUE(Says(other, "client id twin taken over"));
    EXPECT_FALSE(WaitUntil([&] { return Count(broker.log(), " as twin ") > 20; }, 30))
        << broker.log();
    Stop(other, 20);
    for (const std::string &err : {ReadFile(child.err), ReadFile(other.err)}) {
        EXPECT_EQ(Count(err, "taken over"), 1u) << err;
        EXPECT_LE(Count(err, "vortelix-monitor: broker "), 4u) << err;
    }
}

} // namespace
