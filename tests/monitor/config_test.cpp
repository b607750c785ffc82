// The monitor's configuration file read strictly.
#include <algorithm>

#include "monitorfixture.h"

namespace {

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
        {"binary",
         std::string("\x7f"
                     "ELF\x02\x01\x01\0\0\0",
                     10),
         1, "not text"},
        {"not UTF-8", "port = 1\ntopic = caf\xe9\n", 2, "not UTF-8 text"},
        {"twice", "topic = a\n\n[General]\ntopic = b\n", 4, "topic given twice (first on line 1)"},
        {"'$' topic", "topic = $SYS/line\n", 1, "beginning with '$'"},
        {"missing record folder", "record = /nonexistent/records\n", 1, "not a folder"},
        {"record not a folder", "\nrecord = " + aFile + "\n", 2, "not a folder"},
        {"half a section", "[General\n", 1, "not a [section] header"},
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
    // The same faults given as options.
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"--topic", "$SYS/line"}, {"--record", "/nonexistent"}, {"--record", aFile}}) {
        SCOPED_TRACE(args[1]);
        const Child bad = start(args);
        EXPECT_EQ(WaitExit(bad, 20), 2);
        EXPECT_NE(ReadFile(bad.err).find("bad " + args[0] + " '" + args[1] + "'"),
                  std::string::npos);
    }
    child.pid = -1;
    ASSERT_TRUE(reader.marker("vtlx-test/end"));
    for (const MqttMessage &m : reader.messages())
        EXPECT_EQ(m.topic.rfind("vtlx-test/", 0), 0u) << m.topic << " " << m.payload;
    EXPECT_TRUE(sensor.framesReceived().empty());
}

// A comma is legal in a topic: the file's value is published under as
// written, not as a list joined again with ", ".
TEST_F(Monitor, TopicFromTheFileAsWritten) {
    const std::string conf =
        file("comma.conf", "port = 1\nbroker = " + broker.url() + "\ntopic = test/a,b ; c\n");
    child = Start({VTLX_MONITOR, "--config", conf}, dir, dir);
    EXPECT_TRUE(reader.waitFor(LastState("test/a,b ; c/status", "online"), 20));
}

} // namespace
