#include "platform/base/ScriptedDialog.h"

namespace qv
{

bool ScriptedDialog::fits(Answer a, Buttons buttons)
{
    switch (buttons) {
    case Buttons::OK:
        return a == Answer::OK;
    case Buttons::OKCancel:
        return a == Answer::OK || a == Answer::Cancel;
    case Buttons::YesNoCancel:
        return a == Answer::Yes || a == Answer::No || a == Answer::Cancel;
    case Buttons::YesNo:
        return a == Answer::Yes || a == Answer::No;
    case Buttons::RetryCancel:
        return a == Answer::Retry || a == Answer::Cancel;
    }
    return false;
}

QString ScriptedDialog::escapeText(QString text)
{
    text.replace("\r\n", "\\n");
    text.replace('\n', "\\n");
    text.replace('\r', "\\n");
    return text;
}

Answer ScriptedDialog::messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                                  int defaultButton)
{
    m_messages << text;
    const QString head = QStringLiteral("MSGBOX [%1] [%2] default=%3 title=\"%4\": %5")
                             .arg(buttonsName(buttons), iconName(icon))
                             .arg(defaultButton)
                             .arg(title, escapeText(text));
    if (m_answers.empty()) {
        m_unexpected = true;
        m_transcript << head << QStringLiteral("  -> (no answer in script)");
        if (m_onUnexpected)
            m_onUnexpected(head);
        switch (buttons) {
        case Buttons::OK:
            return Answer::OK;
        case Buttons::YesNo:
            return Answer::No;
        default:
            return Answer::Cancel;
        }
    }
    const Answer a = m_answers.front();
    m_answers.pop_front();
    if (!fits(a, buttons)) {
        m_unexpected = true;
        m_transcript << head
                     << QStringLiteral("  -> (answer %1 is not a button of this box)").arg(answerName(a));
        if (m_onUnexpected)
            m_onUnexpected(head);
        return defaultAnswer(buttons, 1);
    }
    m_transcript << head << QStringLiteral("  -> ") + answerName(a);
    return a;
}

QString ScriptedDialog::prompt(const QString &text, const QString &title, const QString &defaultAnswer)
{
    const QString head =
        QStringLiteral("PROMPT title=\"%1\" default=\"%2\": %3").arg(title, defaultAnswer, escapeText(text));
    if (m_prompts.empty()) {
        m_unexpected = true;
        m_transcript << head << QStringLiteral("  -> (no answer in script)");
        if (m_onUnexpected)
            m_onUnexpected(head);
        return {};
    }
    QString t = m_prompts.front();
    m_prompts.pop_front();
    m_transcript << head << QStringLiteral("  -> \"%1\"").arg(t);
    return t;
}

void ScriptedDialog::processEvents()
{
    ++m_eventsCount;
    if (m_onEvents)
        m_onEvents(m_eventsCount);
}

QStringList ScriptedDialog::takeTranscript()
{
    QStringList t;
    t.swap(m_transcript);
    return t;
}

void ScriptedDialog::clearRecord()
{
    m_transcript.clear();
    m_messages.clear();
    m_unexpected = false;
}

} // namespace qv
