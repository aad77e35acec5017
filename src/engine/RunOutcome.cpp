#include "engine/RunOutcome.h"

#include <algorithm>

namespace qv
{

int TemplateOutcome::notCopiedFiles() const
{
    return int(
        std::count_if(notCopied.begin(), notCopied.end(), [](const NotCopied &n) { return !n.folder; }));
}

QString TemplateOutcome::skipText() const
{
    switch (skipped) {
    case Skip::DestinationInsideSource:
        return QStringLiteral(
            "Malen ble hoppet over: mottaker-mappen ligger i mappen det skal tas backup av.");
    case Skip::DestinationUnusable:
        return QStringLiteral("Malen ble hoppet over: mottaker-mappen kan ikke finnes på denne maskinen.");
    case Skip::SourceMissing:
        return QStringLiteral("Malen ble hoppet over: mappen det skal tas backup av finnes ikke.");
    case Skip::NothingNew:
        return QStringLiteral("Fant ingen nye eller endrede filer.");
    case Skip::None:
        break;
    }
    return {};
}

RunOutcome::End RunOutcome::end() const
{
    if (templates.isEmpty())
        return End::NotRun;
    if (firstFailure())
        return End::Failed;
    const auto any = [&](auto &&test) { return std::any_of(templates.begin(), templates.end(), test); };
    using Skip = TemplateOutcome::Skip;
    const auto refused = [](const TemplateOutcome &t) {
        return t.skipped == Skip::DestinationInsideSource || t.skipped == Skip::DestinationUnusable ||
               t.skipped == Skip::SourceMissing;
    };
    // One template that could not be run at all was refused, not left out.
    if (!allTemplates && refused(templates.first()))
        return End::NotRun;
    if (any([&](const TemplateOutcome &t) { return !t.notCopied.isEmpty() || refused(t); }))
        return End::NotCopied;
    if (any([](const TemplateOutcome &t) { return t.aborted; }))
        return End::Aborted;
    if (!allTemplates && templates.first().skipped == Skip::NothingNew)
        return End::NothingNew;
    if (!allTemplates && !started)
        return End::NotRun;
    return End::Finished;
}

int RunOutcome::copied() const
{
    int n = 0;
    for (const TemplateOutcome &t : templates)
        n += t.copied;
    return n;
}

int RunOutcome::notCopiedFiles() const
{
    int n = 0;
    for (const TemplateOutcome &t : templates)
        n += t.notCopiedFiles();
    return n;
}

const TemplateOutcome *RunOutcome::firstFailure() const
{
    for (const TemplateOutcome &t : templates)
        if (t.failed())
            return &t;
    return nullptr;
}

QString RunOutcome::endMessage(bool lineForm) const
{
    switch (end()) {
    case End::Failed: {
        const TemplateOutcome &t = *firstFailure();
        return allTemplates ? "Sikkerhetskopiering feilet. Mal «" + t.name + "»: " + t.failure
                            : "Backup feilet. " + t.failure;
    }
    case End::NotCopied:
        return QStringLiteral(
                   "Backup fullført, men en eller flere filer ble ikke kopiert pga. tilgangsfeil") +
               (lineForm ? u'.' : u',');
    case End::Aborted:
        return allTemplates ? QStringLiteral("Sikkerhetskopiering avbrutt.")
                            : QStringLiteral("Backup avbrutt av bruker.");
    case End::Finished:
        return allTemplates ? QStringLiteral("Sikkerhetskopiering fullført.")
                            : QStringLiteral("Backup fullført.");
    case End::NothingNew:
        return QStringLiteral("Fant ingen nye eller endrede filer i den valgte mappen.");
    case End::NotRun:
        break;
    }
    const QString why = templates.isEmpty() ? QString() : templates.first().skipText();
    return why.isEmpty() ? QStringLiteral("Backup ble ikke kjørt.") : why;
}

QString RunOutcome::summary() const
{
    const int n = copied(), left = notCopiedFiles();
    QString b = QString::number(n) + (n == 1 ? " fil kopiert" : " filer kopiert");
    if (left > 0)
        b += ", " + QString::number(left) + " ikke kopiert";
    return b + ".";
}

QString foundFilesText(int n)
{
    return "Fant " + QString::number(n) + " fil(er) som det bør tas backup av.";
}

} // namespace qv
