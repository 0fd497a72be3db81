#include "MaskMatcher.h"

namespace tolvex::text {

namespace {

struct MaskRules
{
    // Directory searches ignore case for every letter; the cleaning filters only for a-z.
    bool foldEveryLetter = false;
    // Each "?" of a run that ends the mask may match nothing ("A??" takes A).
    bool trailingQuestionsOptional = false;
};

inline char16_t fold(char16_t c, const MaskRules &rules)
{
    if (rules.foldEveryLetter)
        return QChar::toCaseFolded(c);
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

// Greedy match with one backtrack point (the last star): linear in practice, never exponential.
bool matchCore(QStringView name, QStringView mask, const MaskRules &rules)
{
    const qsizetype n = name.size(), m = mask.size();
    qsizetype optionalFrom = m;
    if (rules.trailingQuestionsOptional)
        while (optionalFrom > 0 && mask[optionalFrom - 1] == u'?')
            --optionalFrom;
    qsizetype i = 0, j = 0, star = -1, resume = 0;
    while (i < n) {
        if (j < m && mask[j] == u'*') {
            star = j++;
            resume = i;
        } else if (j < m &&
                   (mask[j] == u'?' || fold(mask[j].unicode(), rules) == fold(name[i].unicode(), rules))) {
            ++i;
            ++j;
        } else if (star >= 0) {
            j = star + 1;
            i = ++resume;
        } else {
            return false;
        }
    }
    while (j < m && (mask[j] == u'*' || (j >= optionalFrom && mask[j] == u'?')))
        ++j;
    return j == m;
}

} // namespace

bool matchesMask(QStringView name, QStringView mask)
{
    if (mask == u"*.*" || mask == u"*")
        return true;
    return matchCore(name, mask, MaskRules{true, false});
}

bool FileMaskEquate(QStringView name, QStringView mask)
{
    // A missing filter, or a name that is not one, selects nothing.
    if (mask.isEmpty() || name.isEmpty())
        return false;
    return matchCore(name, mask, MaskRules{false, true});
}

} // namespace tolvex::text
