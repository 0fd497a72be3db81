#include "MaskMatcher.h"

namespace tolvex::text {

bool matchesMask(QStringView name, QStringView mask)
{
    if (mask == u"*.*" || mask == u"*")
        return true;
    const QString n = name.toString().toCaseFolded();
    const QString m = mask.toString().toCaseFolded();
    // Greedy match with one backtrack point: linear in practice, never exponential.
    qsizetype i = 0, j = 0, star = -1, resume = 0;
    while (i < n.size()) {
        if (j < m.size() && (m[j] == u'?' || m[j] == n[i])) {
            ++i;
            ++j;
        } else if (j < m.size() && m[j] == u'*') {
            star = j++;
            resume = i;
        } else if (star >= 0) {
            j = star + 1;
            i = ++resume;
        } else {
            return false;
        }
    }
    while (j < m.size() && m[j] == u'*')
        ++j;
    return j == m.size();
}

} // namespace tolvex::text
