#include "platform/base/UserDialog.h"

namespace qv
{

QString buttonsName(Buttons b)
{
    switch (b) {
    case Buttons::OK:
        return QStringLiteral("OK");
    case Buttons::OKCancel:
        return QStringLiteral("OKCancel");
    case Buttons::YesNoCancel:
        return QStringLiteral("YesNoCancel");
    case Buttons::YesNo:
        return QStringLiteral("YesNo");
    case Buttons::RetryCancel:
        return QStringLiteral("RetryCancel");
    }
    return QString::number(int(b));
}

QString iconName(Icon i)
{
    switch (i) {
    case Icon::None:
        return QStringLiteral("None");
    case Icon::Critical:
        return QStringLiteral("Critical");
    case Icon::Question:
        return QStringLiteral("Question");
    case Icon::Exclamation:
        return QStringLiteral("Exclamation");
    case Icon::Information:
        return QStringLiteral("Information");
    }
    return QString::number(int(i));
}

QString answerName(Answer a)
{
    switch (a) {
    case Answer::None:
        return QStringLiteral("None");
    case Answer::OK:
        return QStringLiteral("OK");
    case Answer::Cancel:
        return QStringLiteral("Cancel");
    case Answer::Retry:
        return QStringLiteral("Retry");
    case Answer::Yes:
        return QStringLiteral("Yes");
    case Answer::No:
        return QStringLiteral("No");
    }
    return QString::number(int(a));
}

namespace
{

// What a message box gives when the user just presses Enter.
class DefaultDialog : public UserDialog
{
public:
    Answer messageBox(const QString &, Buttons buttons, Icon, const QString &, int defaultButton) override
    {
        return defaultAnswer(buttons, defaultButton);
    }
    QString prompt(const QString &, const QString &, const QString &) override { return {}; }
    void setBusyPointer(bool) override {}
    void processEvents() override {}
};

DefaultDialog g_default;
UserDialog *g_dialog = nullptr;

} // namespace

Answer defaultAnswer(Buttons buttons, int defaultButton)
{
    static const Answer ok[] = {Answer::OK};
    static const Answer okCancel[] = {Answer::OK, Answer::Cancel};
    static const Answer yesNoCancel[] = {Answer::Yes, Answer::No, Answer::Cancel};
    static const Answer yesNo[] = {Answer::Yes, Answer::No};
    static const Answer retryCancel[] = {Answer::Retry, Answer::Cancel};
    const Answer *set = ok;
    int count = 1;
    switch (buttons) {
    case Buttons::OK:
        break;
    case Buttons::OKCancel:
        set = okCancel, count = 2;
        break;
    case Buttons::YesNoCancel:
        set = yesNoCancel, count = 3;
        break;
    case Buttons::YesNo:
        set = yesNo, count = 2;
        break;
    case Buttons::RetryCancel:
        set = retryCancel, count = 2;
        break;
    }
    // A default beyond the set falls back to the first button, as the platform does.
    return set[defaultButton >= 1 && defaultButton <= count ? defaultButton - 1 : 0];
}

UserDialog &dialog()
{
    return g_dialog ? *g_dialog : g_default;
}

void setDialog(UserDialog *d)
{
    g_dialog = d;
}

Answer msgBox(const QString &text, Buttons buttons, Icon icon, const QString &title, int defaultButton)
{
    return dialog().messageBox(text, buttons, icon, title, defaultButton);
}

} // namespace qv
