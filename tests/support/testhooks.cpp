// What the tests need beyond the program's own calls.
#include "testhooks.h"

#include "platform/rs232.h"
#include "platform/widgets/dialogseam.h"
#include "platform/widgets/graphplot.h"
#include "platform/widgets/registry.h"
#include "platform/widgets/stripchart.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// One answer per dialog; outer optional set: answered; inner empty: Cancel.
std::optional<std::optional<std::string>> fileAnswer, noteAnswer;
std::optional<int> confirmAnswer;
std::string lastQuestion;
std::string lastNoteStart; // what the note dialog started with
std::string byIdFolder;

int AnswerFile(std::string *path) {
    if (!fileAnswer) return -1;
    const std::optional<std::string> answer = *fileAnswer;
    fileAnswer.reset();
    if (!answer) return 0;
    *path = *answer;
    return 1;
}

int AnswerNote(std::string *note) {
    lastNoteStart = *note;
    if (!noteAnswer) return -1;
    const std::optional<std::string> answer = *noteAnswer;
    noteAnswer.reset();
    if (!answer) return 0;
    *note = *answer;
    return 1;
}

int AnswerConfirm(const char *question) {
    lastQuestion = question;
    if (!confirmAnswer) return -1;
    const int yes = *confirmAnswer;
    confirmAnswer.reset();
    return yes;
}

void InstallSeam() {
    dialogSeam = DialogSeam{AnswerFile, AnswerNote, AnswerConfirm};
}

GraphPlot *FindGraph(int panel, int graph) {
    Panel *p;
    QWidget *w;
    return Find(panel, graph, &p, &w) ? qobject_cast<GraphPlot *>(w) : nullptr;
}

StripChart *FindChart(int panel, int chart) {
    Panel *p;
    QWidget *w;
    return Find(panel, chart, &p, &w) ? qobject_cast<StripChart *>(w) : nullptr;
}

} // namespace

void SetFileSelectAnswer(const char *path) {
    InstallSeam();
    fileAnswer = path ? std::optional<std::string>(path) : std::nullopt;
}

void ClearFileSelectAnswer(void) {
    fileAnswer.reset();
}

void SetNoteDialogAnswer(const char *note) {
    InstallSeam();
    noteAnswer = note ? std::optional<std::string>(note) : std::nullopt;
}

void SetConfirmDialogAnswer(int yes) {
    InstallSeam();
    confirmAnswer = yes;
}

void ClearDialogAnswers(void) {
    InstallSeam();
    noteAnswer.reset();
    confirmAnswer.reset();
    lastQuestion.clear();
    lastNoteStart.clear();
}

const std::string &LastConfirmQuestion(void) {
    return lastQuestion;
}

const std::string &LastNoteStart(void) {
    return lastNoteStart;
}

void SetSerialByIdFolder(const char *folder) {
    byIdFolder = folder ? folder : "";
    serialByIdFolder = folder ? byIdFolder.c_str() : nullptr;
}

void SetListedSerialDevices(const char *const *devices, int count) {
    static std::vector<std::string> names;
    static std::vector<const char *> pointers;
    names.assign(devices, devices + std::max(count, 0));
    pointers.clear();
    for (const std::string &name : names)
        pointers.push_back(name.c_str());
    listedSerialDevices = pointers.data();
    listedSerialDeviceCount = count < 0 ? -1 : count;
}

int GetGraphPlotCount(int panel, int graph) {
    GraphPlot *g = FindGraph(panel, graph);
    return g ? g->plotCount() : -1;
}

int GetGraphPlotPoints(int panel, int graph, int plot, double *x, double *y, int maxPoints,
                       int *color) {
    GraphPlot *g = FindGraph(panel, graph);
    QVector<double> xs, ys;
    QColor c;
    if (!g || !g->plotPoints(plot, &xs, &ys, &c)) return -1;
    for (int i = 0; i < xs.size() && i < maxPoints; ++i) {
        if (x) x[i] = xs[i];
        if (y) y[i] = ys[i];
    }
    if (color) *color = RgbOf(c);
    return int(xs.size());
}

int GetGraphRectCount(int panel, int graph) {
    GraphPlot *g = FindGraph(panel, graph);
    return g ? g->rectCount() : -1;
}

int GetGraphRect(int panel, int graph, int index, double *x1, double *y1, double *x2, double *y2,
                 int *frameColor, int *fillColor) {
    GraphPlot *g = FindGraph(panel, graph);
    QRectF r;
    QColor frame, fill;
    if (!g || !g->rect(index, &r, &frame, &fill)) return -1;
    if (x1) *x1 = r.left();
    if (y1) *y1 = r.top();
    if (x2) *x2 = r.right();
    if (y2) *y2 = r.bottom();
    if (frameColor) *frameColor = RgbOf(frame);
    if (fillColor) *fillColor = RgbOf(fill);
    return 0;
}

int GetAxisRange(int panel, int graph, int axis, double *min, double *max) {
    if (!min || !max) return -1;
    if (GraphPlot *g = FindGraph(panel, graph)) return g->axisRange(axis, min, max) ? 0 : -1;
    StripChart *c = FindChart(panel, graph);
    if (!c || (axis != 0 && axis != 1)) return -1;
    const QCPRange r = (axis == 0 ? c->xAxis : c->yAxis)->range();
    *min = r.lower;
    *max = r.upper;
    return 0;
}

int GetStripChartTrace(int panel, int chart, int trace, double *values, int maxPoints, int *color) {
    StripChart *c = FindChart(panel, chart);
    QVector<double> v;
    QColor col;
    if (!c || !c->tracePoints(trace, &v, &col)) return -1;
    for (int i = 0; i < v.size() && i < maxPoints; ++i)
        if (values) values[i] = v[i];
    if (color) *color = RgbOf(col);
    return int(v.size());
}
