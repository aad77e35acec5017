#pragma once
#include <QString>

namespace qv
{

// Button sets, icons and answers of a message box (the platform's own values).
enum class Buttons { OK = 0, OKCancel = 1, YesNoCancel = 3, YesNo = 4, RetryCancel = 5 };
enum class Icon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum class Answer { None = 0, OK = 1, Cancel = 2, Retry = 4, Yes = 6, No = 7 };

QString buttonsName(Buttons b); // "OK", "OKCancel", "YesNo", "YesNoCancel", "RetryCancel"
QString iconName(Icon i);       // "Critical", "Question", "Exclamation", "Information", "None"
QString answerName(Answer a);   // "OK", "Cancel", "Retry", "Yes", "No"
// The button a box answers when the user just confirms it (defaultButton 1..3;
// out of range: the first button).
Answer defaultAnswer(Buttons buttons, int defaultButton);

// Every modal exchange with the user goes through here.
class UserDialog
{
public:
    virtual ~UserDialog() = default;
    // defaultButton: 1 = first button, 2 = second, 3 = third.
    virtual Answer messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                              int defaultButton) = 0;
    // Typed text, or empty on cancel.
    virtual QString prompt(const QString &text, const QString &title, const QString &defaultAnswer) = 0;
    virtual void setBusyPointer(bool busy) = 0;
    // Lets the window system deliver pending input and repaint.
    virtual void processEvents() = 0;
};

// The application title every message box carries unless told otherwise.
inline const QString kAppTitle = QStringLiteral("Backup");

// The process-wide dialogue, as the window system's message box is process-wide.
UserDialog &dialog();
void setDialog(UserDialog *d); // nullptr: a dialogue that answers the default button

// Installs a dialogue for as long as it lives.
class DialogInUse
{
public:
    explicit DialogInUse(UserDialog &d) { setDialog(&d); }
    ~DialogInUse() { setDialog(nullptr); }
    DialogInUse(const DialogInUse &) = delete;
    DialogInUse &operator=(const DialogInUse &) = delete;
};

// Convenience with the usual defaults (first button, application title).
Answer msgBox(const QString &text, Buttons buttons = Buttons::OK, Icon icon = Icon::None,
              const QString &title = kAppTitle, int defaultButton = 1);

} // namespace qv
