#pragma once
#include "platform/base/UserDialog.h"

#include <QStringList>
#include <deque>
#include <functional>

namespace qv
{

// A dialogue answered from a queue, recording every exchange as transcript lines.
// Used by tests and by the scripting driver; the same engine code runs under it.
class ScriptedDialog : public UserDialog
{
public:
    // Queue an answer for the next message box, or a text for the next prompt
    // (an empty text is a cancelled prompt).
    void queueAnswer(Answer a) { m_answers.push_back(a); }
    void queuePromptText(const QString &t) { m_prompts.push_back(t); }
    bool hasPendingAnswers() const { return !m_answers.empty() || !m_prompts.empty(); }

    Answer messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                      int defaultButton) override;
    QString prompt(const QString &text, const QString &title, const QString &defaultAnswer) override;
    void setBusyPointer(bool busy) override { m_busy = busy; }
    void processEvents() override;

    bool busyPointer() const { return m_busy; }
    // Called from processEvents: where scripted key presses (Esc) arrive.
    void setOnProcessEvents(std::function<void(int count)> f) { m_onEvents = std::move(f); }
    // Called when a dialogue came that no queued answer covers; the dialogue then
    // answers Cancel (or No / OK when the set has no Cancel) and an empty prompt.
    void setOnUnexpected(std::function<void(const QString &what)> f) { m_onUnexpected = std::move(f); }
    bool sawUnexpected() const { return m_unexpected; }

    const QStringList &transcript() const { return m_transcript; }
    QStringList takeTranscript();
    // Message-box texts only, in order (handy for assertions).
    const QStringList &messages() const { return m_messages; }
    void clearRecord();

    static QString escapeText(QString text);     // line breaks shown as \n
    static bool fits(Answer a, Buttons buttons); // the answer is one of the box's buttons

private:
    std::deque<Answer> m_answers;
    std::deque<QString> m_prompts;
    QStringList m_transcript, m_messages;
    std::function<void(int)> m_onEvents;
    std::function<void(const QString &)> m_onUnexpected;
    bool m_busy = false, m_unexpected = false;
    int m_eventsCount = 0;
};

} // namespace qv
