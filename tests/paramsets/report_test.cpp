// The commissioning report against a sensor whose RAM and EEPROM differ: the
// document parsed, written whole or not at all, printed to PDF and drawn for
// a look (shots/).
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "main/live.h"
#include "window/controls.h"
#include "paramsets/namedset.h"
#include "paramsets/paramtable.h"
#include "paramstest.h"
#include "platform/widgets/graphpicture.h"
#include "platform/widgets/htmldoc.h"
#include "platform/widgets/notedialog.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "gui/recordpanel.h"
#include "report/report.h"
#include "uiharness.h"
#include "waits.h"

#include <QDir>
#include <qcustomplot.h>
#include <QImage>
#include <QXmlStreamReader>

#include <filesystem>
#include <iterator>
#include <map>

namespace {

class Report : public ParamsTest {
  protected:
    // Identified through the start-up chain; EEPROM holds A, RAM holds B.
    void Connect() {
        sim::Config config = InstantConfig("t1");
        config.firmware = "V2.14 <sim> & co";
        sensor = std::make_unique<SimulatedSensor>(config, 1, ports);
        ASSERT_TRUE(sensor->ok()) << sensor->error();
        ASSERT_NO_FATAL_FAILURE(StartWithEepromARamB(*sensor));
    }
    void TearDown() override {
        ClearDialogAnswers();
        ParamsTest::TearDown();
    }
    std::unique_ptr<SimulatedSensor> sensor;
};

// What a reader of the file finds in it.
struct Parsed {
    std::string text;                                     // all character data
    std::map<std::string, std::vector<std::string>> rows; // parameter name -> RAM, EEPROM, window
    std::map<std::string, bool> eepromMarked;             // parameter name -> EEPROM cell marked
    std::vector<QImage> images;
    std::string error;
};

Parsed Parse(const std::string &html) {
    Parsed out;
    QXmlStreamReader xml(QByteArray::fromStdString(html));
    std::vector<std::string> cells;
    std::vector<bool> marks;
    std::string section; // the heading above
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters()) out.text += xml.text().toString().toStdString();
        if (xml.isStartElement() && xml.name() == QLatin1String("h2"))
            out.text += section = xml.readElementText().toStdString();
        if (xml.isStartElement() && xml.name() == QLatin1String("tr")) cells.clear(), marks.clear();
        if (xml.isStartElement() && xml.name() == QLatin1String("td")) {
            marks.push_back(xml.attributes().value("style").contains(QLatin1String("background")));
            cells.push_back(
                xml.readElementText(QXmlStreamReader::IncludeChildElements).toStdString());
            out.text += cells.back();
        }
        if (xml.isEndElement() && xml.name() == QLatin1String("tr") && cells.size() >= 5 &&
            section == "Parameter sets") {
            out.rows[cells[1]].assign(cells.begin() + 3, cells.end());
            out.eepromMarked[cells[1]] = marks[4];
        }
        if (xml.isStartElement() && xml.name() == QLatin1String("img")) {
            const QString src = xml.attributes().value("src").toString();
            const QString prefix = QStringLiteral("data:image/png;base64,");
            if (src.startsWith(prefix))
                out.images.push_back(QImage::fromData(
                    QByteArray::fromBase64(src.mid(prefix.size()).toLatin1()), "PNG"));
        }
    }
    if (xml.hasError()) out.error = xml.errorString().toStdString();
    return out;
}

TEST_F(Report, HoldsIdentitySetsByNameAndPictures) {
    Connect();
    // A fit made this session: its two points and line are reported.
    pixel[0] = 241.0, pixel[1] = 662.0, umeter[0] = 1000.0, umeter[1] = 3000.0;
    slopeval = 4.750594, interval = -144.893;
    // The run's statistics: 1800, 1802, 1810 against 1802 +- 5 (one out).
    ResetRunStatistics();
    for (u16 v : {1800, 1802, 1810})
        AddRunReply(v, 0, 0, 1802, 5);
    ReportData data = GatherReport(1);
    data.note = "Line 3 <north>, set up by R. & K.";
    const std::string html = ComposeReport(data);
    const Parsed doc = Parse(html);
    ASSERT_EQ(doc.error, "");

    EXPECT_NE(doc.text.find("V2.14 <sim> & co"), std::string::npos) << "firmware text";
    EXPECT_NE(doc.text.find("CCD-SENSOR:1024 pixel"), std::string::npos) << "identity text";
    EXPECT_NE(doc.text.find("COM1"), std::string::npos);
    for (const char *fit : {"662.0", "3000.0", "4.750594", "-144.893"})
        EXPECT_NE(doc.text.find(fit), std::string::npos) << fit;
    EXPECT_NE(doc.text.find("Line 3 <north>, set up by R. & K."), std::string::npos);
    for (const char *figure : {"Statistics of the last run", "1804.000", "5.292", "1 (33.33 %)"})
        EXPECT_NE(doc.text.find(figure), std::string::npos) << figure;
    ASSERT_EQ(doc.rows.size(), size_t(PNUM));
    for (int i = 0; i < PNUM; i++) {
        const std::string name = ParamName(i);
        SCOPED_TRACE(name);
        ASSERT_EQ(doc.rows.count(name), 1u);
        EXPECT_EQ(doc.rows.at(name)[0], ParamValueText(i, u16(SetB()[i])));
        EXPECT_EQ(doc.rows.at(name)[1], ParamValueText(i, u16(SetA()[i])));
        EXPECT_EQ(doc.eepromMarked.at(name), SetA()[i] != SetB()[i]);
    }
    ASSERT_EQ(doc.images.size(), 4u) << "three graphs and the histogram";
    for (const QImage &image : doc.images)
        EXPECT_FALSE(image.isNull()) << "each picture is a PNG";
    EXPECT_EQ(SensorRam(*sensor), SetB()) << "a report writes nothing";
    EXPECT_EQ(SensorEeprom(*sensor), SetA());

    // Drawn as the print dialog would lay it out, for a look, and as a PDF.
    std::vector<unsigned char> png;
    ASSERT_EQ(HtmlToPng(html, 900, &png), 0);
    const QImage shot = QImage::fromData(png.data(), int(png.size()), "PNG");
    EXPECT_GT(shot.height(), 1200) << "header, sets, calibration, three graphs and the histogram";
    QDir().mkpath(QStringLiteral(VTLX_SHOT_DIR));
    const QString path = QDir(QStringLiteral(VTLX_SHOT_DIR)).filePath("report.png");
    EXPECT_TRUE(shot.save(path));
    std::printf("screenshot: %s\n", qPrintable(path));
    ASSERT_EQ(HtmlToPdf(html, Path("report.pdf").c_str()), 0);
    EXPECT_EQ(ReadFile(Path("report.pdf")).substr(0, 5), "%PDF-");
}

// Made during a run, between two redraws of the window's histogram, the
// report holds the sensor's sets read between two replies, the window's set,
// and one snapshot for its figures and histogram; the loop goes on.
TEST_F(Report, MadeDuringARunIsWhole) {
    Connect();
    ShowInWindow(SetB(), Variables()); // edits not sent: the window's set is its own
    tVal = 1895, tTol = 3;             // sent with each request, around the first values: some out
    StartRecordingPanel();             // the histogram redrawn five times a second
    auto *histogram = Widget<QCustomPlot>("GRAPHHistogram");
    ASSERT_TRUE(histogram);
    long shown = 0; // the replies the histogram counts
    const auto look = [&] {
        shown = 0;
        for (const QCPBarsData &bar : *qobject_cast<QCPBars *>(histogram->plottable(0))->data())
            shown += long(bar.value);
        return shown;
    };
    QObject context;
    ReportData data;
    long atReport = -1;
    std::string shares; // the histogram's shares and picture after the report
    std::vector<unsigned char> picture;
    const auto stop = [] { CC_BTNStop(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0); };
    const auto report = [&] {
        data = GatherReport(1);
        look();
        for (int k : {3, 4})
            shares += qobject_cast<QCPItemText *>(histogram->item(k))->text().toStdString();
        GraphPictureData(pHandle, PANEL_GRAPHHistogram, 900, 300, &picture);
        atReport = RunStatisticsCount();
        When(
            context, [&] { return RunStatisticsCount() > atReport + 20; }, stop);
    };
    When(
        context, [&] { return look() > 0 && shown != RunStatisticsCount(); }, report);
    After(context, kHangCeiling * TimeFactor(), stop);
    CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);

    ASSERT_GE(atReport, 0) << "no report made";
    EXPECT_GT(RunStatisticsCount(), atReport + 20) << "the loop went on";
    Parsed doc = Parse(ComposeReport(data));
    const Words ram = SensorRam(*sensor), eeprom = SensorEeprom(*sensor), window = WindowWords();
    for (int i = 0; i < PNUM; i++)
        EXPECT_EQ(doc.rows[ParamName(i)],
                  (std::vector<std::string>{ParamValueText(i, u16(ram[i])),
                                            ParamValueText(i, u16(eeprom[i])),
                                            ParamValueText(i, u16(window[i]))}));
    EXPECT_EQ(data.run.value.count, shown) << "the histogram pictured counts the figures' replies";
    double below = -1, above = -1;
    std::sscanf(shares.c_str(), "below %lf %% above %lf", &below, &above);
    EXPECT_NEAR(100 * data.run.outShare, below + above, 0.011) << shares;
    EXPECT_EQ(data.pictures.back().png, picture) << "the picture is that histogram";
}

// Without a sensor the sets say in words why they are missing.
TEST_F(Report, SetsNotReadSayWhy) {
    const auto expect = [](const std::string &why) {
        const Parsed doc = Parse(ComposeReport(GatherReport(1)));
        ASSERT_EQ(doc.rows.size(), size_t(PNUM));
        for (const auto &[name, row] : doc.rows)
            EXPECT_EQ(row.at(0) + " | " + row.at(1), "not read: " + why + " | not read: " + why);
    };
    expect("Port is not open");
    sim::Config silent = InstantConfig("t1");
    silent.faults.silent = true;
    SimulatedSensor mute(silent, 1, ports);
    ASSERT_TRUE(mute.ok() && OpenLine()) << mute.error();
    expect("no reply from the sensor");
}

// The button: note, file, written whole; a file that cannot be written
// leaves an old one as it was and says so.
TEST_F(Report, WrittenWholeOrNotAtAll) {
    SetNoteDialogAnswer("commissioned");
    SetFileSelectAnswer(Path("r.html").c_str());
    SetConfirmDialogAnswer(0); // no printing
    CC_BTNReport(pHandle, PANEL_BTNReport, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(Status(), REPORT_WRITTEN);
    const std::string first = ReadFile(Path("r.html"));
    EXPECT_NE(first.find("commissioned"), std::string::npos);
    EXPECT_EQ(Parse(first).error, "");

    SetNoteDialogAnswer(nullptr); // Cancel: nothing happens
    CC_BTNReport(pHandle, PANEL_BTNReport, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(Status(), REPORT_WRITTEN);

    // A folder that is not there: refused, said, and nothing made.
    SetNoteDialogAnswer("second");
    SetFileSelectAnswer(Path("gone/r.html").c_str());
    CC_BTNReport(pHandle, PANEL_BTNReport, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(Status(), REPORT_WRITE_ERROR);
    EXPECT_FALSE(std::filesystem::exists(Path("gone")));

    // Over the old file on a disk that fills part-way (a file size limit):
    // refused, said, and the old file as it was.
    SetNoteDialogAnswer("third");
    SetFileSelectAnswer(Path("r.html").c_str());
    SetStatus("");
    const auto entries = [&] {
        return std::distance(std::filesystem::directory_iterator(Path("")),
                             std::filesystem::directory_iterator());
    };
    const auto before = entries();
    {
        const SizeLimit full(1024);
        CC_BTNReport(pHandle, PANEL_BTNReport, EVENT_COMMIT, nullptr, 0, 0);
    }
    EXPECT_EQ(Status(), REPORT_WRITE_ERROR);
    EXPECT_EQ(ReadFile(Path("r.html")), first);
    EXPECT_EQ(entries(), before) << "no half-written file beside it";
}

// A note is kept until a report carries it: a cancelled save or a failed
// write lost it, and the next Report… began empty.
TEST_F(Report, NoteKeptUntilAReportCarriesIt) {
    const struct {
        const char *note, *file, *offered; // note or file nullptr: that dialog cancelled
    } steps[] = {{"line 3", nullptr, ""},
                 {"line 3 north", "gone/r.html", "line 3"},
                 {"line 3 north", "r.html", "line 3 north"},
                 {nullptr, nullptr, ""}};
    SetConfirmDialogAnswer(0); // no printing
    for (const auto &s : steps) {
        SetNoteDialogAnswer(s.note);
        if (s.note) SetFileSelectAnswer(s.file ? Path(s.file).c_str() : nullptr);
        CC_BTNReport(pHandle, PANEL_BTNReport, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(LastNoteStart(), s.offered);
    }
}

// A type-103 sensor reports 1180 pixels, which the drawing takes as 256: the
// report and a named set record what the sensor sent (both once wrote 256).
TEST_F(Report, IdentityAsTheSensorReportedIt) {
    SimulatedSensor t103(InstantConfig("t103"), 1, ports);
    ASSERT_TRUE(t103.ok()) << t103.error();
    InitRS232(1);
    EXPECT_EQ(ccdmaxpixel, 256);
    EXPECT_EQ(GatherReport(0).identity[HW_CCDMAXPIXEL], 1180);
    const u16 words[PNUM] = {};
    EXPECT_NE(NamedSetToJson(words, CurrentIdentity()).find("\"ccdmaxpixel\": 1180"),
              std::string::npos);
}

} // namespace
