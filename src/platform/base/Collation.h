#pragma once
#include <QString>

#include <memory>
#include <string>

namespace qv
{

// The order in which the user's language sorts names (nb_NO: Æ, Ø, Å after Z),
// letter case ignored. Follows QLocale() as it is at the call.
int compareNames(const QString &a, const QString &b);
inline bool lessName(const QString &a, const QString &b)
{
    return compareNames(a, b) < 0;
}

// Sort keys for sorting many names at once: the byte order of two keys (as
// std::string_view compares them) is the order compareNames gives their names.
// Made for the locale as it is at construction.
class NameKeys
{
public:
    NameKeys();
    ~NameKeys();
    NameKeys(const NameKeys &) = delete;
    NameKeys &operator=(const NameKeys &) = delete;
    // Appends name's key to out.
    void append(QStringView name, std::string &out) const;

private:
    struct Collator;
    std::unique_ptr<Collator> m_collator; // none: the C locale's order, case folded
};

} // namespace qv
