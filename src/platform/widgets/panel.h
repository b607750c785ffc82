// One loaded panel: its window, its controls by number, and the user's
// actions turned into the event codes of the program's callbacks.
//
// The resource file marks each panel widget with the dynamic properties
// `panel` (its number) and `callback`, and each control with `control` (its
// number) and, where it has one, `callback`. Callbacks are looked up by name
// among those registered when the panel is loaded. docs/events.md lists which
// action raises which codes for each kind of control.
#pragma once

#include "platform/widgets/uitypes.h"

#include <QHash>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <map>

class Panel : public QObject {
    Q_OBJECT

  public:
    enum class Kind {
        Command,     // QPushButton
        Toggle,      // checkable QPushButton
        Switch,      // SwitchButton
        Radio,       // QRadioButton
        Check,       // QCheckBox
        Numeric,     // NumericSpinBox, RealSpinBox
        Selector,    // QComboBox
        TextMessage, // QLabel
        TextBox,     // QPlainTextEdit
        Picture,     // QLabel marked kind = "picture"
        Decoration,  // QFrame
        Graph,       // GraphPlot
        StripChart,  // StripChart
        Other,
    };

    static void registerCallback(const QString &name, CtrlCallbackPtr callback);
    static void registerPanelCallback(const QString &name, PanelCallbackPtr callback);

    // Builds panel `number` of the file as a hidden window. On failure returns
    // nullptr, says why in *error and gives one of the LOADPANEL_* codes of
    // userint.h in *code.
    static Panel *load(const QString &path, int number, int handle, QString *error, int *code);
    ~Panel() override;

    // Destroys the panel now, or once the callback that runs has returned.
    void discard();

    int handle() const { return panelHandle; }
    QWidget *window() const { return win; }
    QWidget *control(int number) const;
    Kind kind(int number) const;
    // The visible label of a control, or nullptr.
    QLabel *label(int number) const;

    // A text message at (left, top) of the panel; returns its number.
    int addTextMessage(const QString &text, int top, int left);

    // The program wrote the control's value: it is the new baseline against
    // which the user's next entry counts as a change.
    void valueSetByProgram(int number);

    // A modal dialog ran (the file dialog). A command button whose left-click
    // callback opened one has lost its mouse release to the dialog, so that
    // press raises no commit.
    static void noteModalDialog() { ++modalRuns; }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    struct Control {
        QPointer<QWidget> widget;
        Kind kind = Kind::Other;
        CtrlCallbackPtr callback = nullptr;
        QPointer<QLabel> label;
        double committed = 0;    // numeric: value at the last commit
        double seen = 0;         // numeric: value at the last event or program write
        bool changed = false;    // selector: a change came before `activated`
        bool mousePress = false; // command: 3 raised for the mouse press under way
        bool noCommit = false;   // command: the press's 3 ran a modal dialog
    };

    Panel(QWidget *window, int number, int handle);
    bool bindControls(QString *error);
    void connectEvents(int number, Control &c);
    void raise(int number, int event);
    static Kind kindOf(QWidget *w);
    static double numericValue(QWidget *w);

    QPointer<QWidget> win;
    int panelNumber;
    int panelHandle;
    PanelCallbackPtr panelCallback = nullptr;
    std::map<int, Control> controls;
    QHash<QObject *, int> numberOf; // widget -> control number
    int nextNewControl = 1;
    bool discarded = false;

    static int dispatchDepth; // callbacks running, all panels
    static int modalRuns;
};
