#include "platform/base/Collation.h"

#include <QCollator>
#include <QLocale>

#include <unicode/ucol.h>

namespace qv
{

namespace
{
// Making a collator is costly; keep one until the locale changes.
const QCollator &collator()
{
    static QLocale made;
    static QCollator c;
    static bool ready = false;
    const QLocale locale;
    if (!ready || locale != made) {
        ready = true;
        c = QCollator(locale);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        made = locale;
    }
    return c;
}
} // namespace

int compareNames(const QString &a, const QString &b)
{
    return collator().compare(a, b);
}

// As QCollator sets up the same library for a case-insensitive comparison.
struct NameKeys::Collator {
    UCollator *c = nullptr;
    ~Collator()
    {
        if (c)
            ucol_close(c);
    }
};

NameKeys::NameKeys()
{
    const QLocale locale;
    if (locale.language() == QLocale::C)
        return;
    UErrorCode status = U_ZERO_ERROR;
    auto collator = std::make_unique<Collator>();
    collator->c = ucol_open(locale.bcp47Name().replace(u'-', u'_').toLatin1().constData(), &status);
    if (U_FAILURE(status) || !collator->c)
        return;
    ucol_setAttribute(collator->c, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator->c, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    if (U_SUCCESS(status))
        m_collator = std::move(collator);
}

NameKeys::~NameKeys() = default;

void NameKeys::append(QStringView name, std::string &out) const
{
    if (!m_collator) {
        // The C locale compares case-folded UTF-16 units: big-endian bytes keep that order.
        for (QChar c : name) {
            const char16_t u = c.toCaseFolded().unicode();
            out += char(u >> 8);
            out += char(u & 0xFF);
        }
        return;
    }
    const auto *text = reinterpret_cast<const UChar *>(name.utf16());
    const size_t at = out.size();
    out.resize(at + 64);
    int32_t length = ucol_getSortKey(m_collator->c, text, int32_t(name.size()),
                                     reinterpret_cast<uint8_t *>(out.data() + at), 64);
    if (length > 64) {
        out.resize(at + size_t(length));
        length = ucol_getSortKey(m_collator->c, text, int32_t(name.size()),
                                 reinterpret_cast<uint8_t *>(out.data() + at), length);
    }
    // The key ends in a zero byte, which a shorter key's end compares as anyway.
    out.resize(at + size_t(std::max(0, length - 1)));
}

} // namespace qv
