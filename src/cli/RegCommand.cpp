// "reg query | add | delete" with the switches and output layout of the Windows reg command.
#include "CliContext.h"

#include "registry/RegistryStore.h"
#include "registry/Unicode.h"

#include <QTextStream>

#include <cstdio>
#include <optional>

namespace tolvex::cli {

using registry::RawValue;
using registry::RegistryError;
using registry::RegistryStore;
using registry::Root;
namespace type = registry::type;

namespace {

constexpr char notFound[] = "ERROR: The system was unable to find the specified registry key or value.";
constexpr char done[] = "The operation completed successfully.";
constexpr char usage[] = "tolvex-cli reg query KEY [/v NAME | /ve] [/s]\n"
                         "tolvex-cli reg add KEY [/v NAME | /ve] [/t REG_SZ|REG_EXPAND_SZ|REG_DWORD] [/d DATA] [/f]\n"
                         "tolvex-cli reg delete KEY [/v NAME | /ve] [/f]\n"
                         "KEY: HKLM, HKCU, HKCR or HKU and a path, as HKCU\\Software\\X\n";

struct Switches
{
    QString key;
    std::optional<QString> value; // "" for /ve
    QString typeName = QStringLiteral("REG_SZ");
    std::optional<QString> data;
    bool recurse = false;
    bool force = false;
};

std::string utf8(const QString &s) { return s.toStdString(); }

QString typeName(std::uint32_t t)
{
    static const char *names[] = {"REG_NONE",
                                  "REG_SZ",
                                  "REG_EXPAND_SZ",
                                  "REG_BINARY",
                                  "REG_DWORD",
                                  "REG_DWORD_BIG_ENDIAN",
                                  "REG_LINK",
                                  "REG_MULTI_SZ",
                                  "REG_RESOURCE_LIST",
                                  "REG_FULL_RESOURCE_DESCRIPTOR",
                                  "REG_RESOURCE_REQUIREMENTS_LIST",
                                  "REG_QWORD"};
    return t < std::size(names) ? QString::fromLatin1(names[t]) : QStringLiteral("0x%1").arg(t, 0, 16);
}

QString utf16Text(const std::string &data, bool multi)
{
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(data.data()), qsizetype(data.size() / 2));
    while (text.endsWith(QChar(0)))
        text.chop(1);
    if (multi)
        return text.replace(QChar(0), QStringLiteral("\\0"));
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

QString dataText(const RawValue &v)
{
    switch (v.type) {
    case type::String:
    case type::ExpandString:
        return utf16Text(v.data, false);
    case type::MultiString:
        return utf16Text(v.data, true);
    case type::Dword:
        if (v.data.size() == 4) {
            std::uint32_t dw = 0;
            for (int i = 0; i < 4; ++i)
                dw |= std::uint32_t(uint8_t(v.data[size_t(i)])) << (8 * i);
            return QStringLiteral("0x%1").arg(dw, 0, 16);
        }
        break;
    case 11:
        if (v.data.size() == 8) {
            quint64 qw = 0;
            for (int i = 0; i < 8; ++i)
                qw |= quint64(uint8_t(v.data[size_t(i)])) << (8 * i);
            return QStringLiteral("0x%1").arg(qw, 0, 16);
        }
        break;
    }
    return QString::fromLatin1(QByteArray::fromStdString(v.data).toHex().toUpper());
}

void printValue(QTextStream &out, const std::string &name, const RawValue &v)
{
    const QString shown = name.empty() ? QStringLiteral("(Default)") : QString::fromStdString(name);
    out << "    " << shown << "    " << typeName(v.type) << "    " << dataText(v) << '\n';
}

bool parseSwitches(const QStringList &args, Switches &s, bool allowType, bool allowRecurse)
{
    if (args.isEmpty())
        return false;
    s.key = args.first();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString a = args[i].toLower();
        auto next = [&](QString &into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        QString text;
        if (a == u"/v" && !s.value && next(text))
            s.value = text;
        else if (a == u"/ve" && !s.value)
            s.value = QString();
        else if (a == u"/t" && allowType && next(text))
            s.typeName = text.toUpper();
        else if (a == u"/d" && allowType && next(text))
            s.data = text;
        else if (a == u"/s" && allowRecurse)
            s.recurse = true;
        else if (a == u"/f" && !allowRecurse)
            s.force = true;
        else
            return false;
    }
    return true;
}

bool confirmed(QTextStream &out, const QString &question)
{
    out << question << " (Yes/No)? ";
    out.flush();
    char line[64] = {};
    if (!std::fgets(line, sizeof line, stdin))
        return false;
    const QString answer = QString::fromLatin1(line).trimmed().toLower();
    return answer == u"y" || answer == u"yes";
}

class RegCommand
{
public:
    explicit RegCommand(CliContext &c) : m_c(c), m_store(c.machine->registry()) {}

    int run()
    {
        if (m_c.args.contains(QStringLiteral("/?"))) {
            m_c.out << usage;
            return 0;
        }
        if (m_c.args.isEmpty())
            return syntax(QStringLiteral("REG"));
        const QString verb = m_c.args.first().toLower();
        const QStringList rest = m_c.args.mid(1);
        Switches s;
        if (verb == u"query" && parseSwitches(rest, s, false, true) && rootOf(s))
            return query(s);
        if (verb == u"add" && parseSwitches(rest, s, true, false) && rootOf(s))
            return add(s);
        if (verb == u"delete" && parseSwitches(rest, s, false, false) && rootOf(s))
            return remove(s);
        if (m_badKey)
            return badCall(m_c.err, QStringLiteral("ERROR: Invalid key name."), usage);
        return syntax(QStringLiteral("REG ") + verb.toUpper());
    }

private:
    // As Windows' reg says it; the call changed nothing.
    int syntax(const QString &what)
    {
        m_c.err << "ERROR: Invalid syntax.\nType \"tolvex-cli " << what.toLower() << " /?\" for usage.\n";
        return badCallStatus;
    }

    bool rootOf(const Switches &s)
    {
        if (!registry::splitRootedKey(utf8(s.key), m_root, m_path)) {
            m_badKey = true;
            return false;
        }
        while (!m_path.empty() && m_path.back() == '\\')
            m_path.pop_back();
        m_shownKey = QString::fromStdString(std::string(registry::rootName(m_root)));
        if (!m_path.empty())
            m_shownKey += u'\\' + QString::fromStdString(m_path);
        m_store.SelectRoot(m_root);
        return true;
    }

    bool openKey(const std::string &path, bool create)
    {
        m_store.ClosePath();
        return m_store.OpenPath("\\" + path, create);
    }

    // Prints a key's values (all, or the one asked for) and returns how many it printed.
    int printKey(const std::string &path, const QString &shown, const std::optional<QString> &only, bool always)
    {
        if (!openKey(path, false))
            return 0;
        QString block;
        QTextStream lines(&block);
        int count = 0;
        if (only) {
            const std::string name = utf8(*only);
            if (auto v = m_store.GetRaw(name)) {
                printValue(lines, name, *v);
                ++count;
            } else if (only->isEmpty() && always) {
                lines << "    (Default)    REG_SZ    (value not set)\n";
                ++count;
            }
        } else {
            for (const std::string &name : m_store.ValueNames())
                if (auto v = m_store.GetRaw(name)) {
                    printValue(lines, name, *v);
                    ++count;
                }
        }
        lines.flush();
        if (count || always)
            m_c.out << '\n' << shown << '\n' << block;
        return count;
    }

    int query(const Switches &s)
    {
        if (!openKey(m_path, false)) {
            m_c.err << notFound << '\n';
            return 1;
        }
        if (s.value && !s.recurse) {
            if (!m_store.HasValue(utf8(*s.value)) && !s.value->isEmpty()) {
                m_c.err << notFound << '\n';
                return 1;
            }
            printKey(m_path, m_shownKey, s.value, true);
            m_c.out << '\n';
            return 0;
        }
        if (!s.recurse) {
            printKey(m_path, m_shownKey, std::nullopt, true);
            openKey(m_path, false);
            const std::vector<std::string> subkeys = m_store.SubkeyNames();
            if (!subkeys.empty())
                m_c.out << '\n';
            for (const std::string &name : subkeys)
                m_c.out << m_shownKey << '\\' << QString::fromStdString(name) << '\n';
            return 0;
        }
        int matches = 0;
        walk(m_path, m_shownKey, s.value, matches);
        if (s.value)
            m_c.out << "\nEnd of search: " << matches << " match(es) found.\n";
        else
            m_c.out << '\n';
        return 0;
    }

    void walk(const std::string &path, const QString &shown, const std::optional<QString> &only, int &matches)
    {
        matches += printKey(path, shown, only, !only);
        if (!openKey(path, false))
            return;
        const std::vector<std::string> subkeys = m_store.SubkeyNames();
        for (const std::string &name : subkeys) {
            const std::string child = path.empty() ? name : path + "\\" + name;
            // A link is listed, not entered: the walk visits every key once and cannot loop.
            m_store.ClosePath();
            if (m_store.IsLink("\\" + child)) {
                if (!only)
                    m_c.out << '\n' << shown << '\\' << QString::fromStdString(name) << '\n';
                continue;
            }
            walk(child, shown + u'\\' + QString::fromStdString(name), only, matches);
        }
    }

    // The value to write, checked before anything is created; nullopt on bad type or data.
    static std::optional<RawValue> valueToWrite(const Switches &s)
    {
        const QString data = s.data.value_or(QString());
        if (s.typeName == u"REG_SZ")
            return RawValue{type::String, registry::unicode::stringData(utf8(data))};
        if (s.typeName == u"REG_EXPAND_SZ")
            return RawValue{type::ExpandString, registry::unicode::stringData(utf8(data))};
        if (s.typeName != u"REG_DWORD")
            return std::nullopt;
        bool ok = false;
        const QString d = data.trimmed();
        const qulonglong number =
            d.startsWith(u"0x", Qt::CaseInsensitive) ? d.mid(2).toULongLong(&ok, 16) : d.toULongLong(&ok, 10);
        if (!ok || number > 0xFFFFFFFFULL)
            return std::nullopt;
        RawValue dword{type::Dword, std::string(4, '\0')};
        for (int i = 0; i < 4; ++i)
            dword.data[size_t(i)] = char((number >> (8 * i)) & 0xFF);
        return dword;
    }

    int add(const Switches &s)
    {
        const std::optional<RawValue> value = valueToWrite(s);
        if (!value)
            return syntax(QStringLiteral("REG ADD"));
        try {
            if (!s.value) {
                m_store.MakeKey("\\" + m_path);
                return saved();
            }
            if (!openKey(m_path, true))
                throw RegistryError("Failed to create key " + utf8(s.key));
            const std::string name = utf8(*s.value);
            const QString shownName = s.value->isEmpty() ? QStringLiteral("(Default)") : *s.value;
            if (m_store.HasValue(name) && !s.force &&
                !confirmed(m_c.out, QStringLiteral("Value %1 exists, overwrite").arg(shownName))) {
                m_c.out << "The operation was cancelled by the user.\n";
                return 0;
            }
            m_store.SetRaw(name, *value);
            return saved();
        } catch (const RegistryError &e) {
            m_c.err << "ERROR: " << e.what() << '\n';
            if (m_c.machine->readOnly())
                m_c.err << m_c.machine->readOnlyNotice() << '\n';
            return 1;
        }
    }

    int remove(const Switches &s)
    {
        if (!openKey(m_path, false)) {
            m_c.err << notFound << '\n';
            return 1;
        }
        if (s.value) {
            const std::string name = utf8(*s.value);
            if (!m_store.HasValue(name)) {
                m_c.err << notFound << '\n';
                return 1;
            }
            const QString shownName = s.value->isEmpty() ? QStringLiteral("(Default)") : *s.value;
            if (!s.force && !confirmed(m_c.out, QStringLiteral("Delete the registry value %1").arg(shownName))) {
                m_c.out << "The operation was cancelled by the user.\n";
                return 0;
            }
            if (!m_store.RemoveValue(name))
                return refused();
        } else {
            if (m_path.empty())
                return badCall(m_c.err, QStringLiteral("ERROR: Invalid key name."), usage);
            if (!s.force &&
                !confirmed(m_c.out, QStringLiteral("Permanently delete the registry key %1").arg(m_shownKey))) {
                m_c.out << "The operation was cancelled by the user.\n";
                return 0;
            }
            m_store.ClosePath();
            if (!m_store.RemoveKey("\\" + m_path))
                return refused();
        }
        return saved();
    }

    // Success is said only once the files hold the change.
    int saved()
    {
        m_store.ClosePath();
        if (!saveNow(m_c))
            return 1;
        m_c.out << done << '\n';
        return 0;
    }

    int refused()
    {
        m_c.err << "ERROR: Access is denied.\n";
        if (m_c.machine->readOnly())
            m_c.err << m_c.machine->readOnlyNotice() << '\n';
        return 1;
    }

    CliContext &m_c;
    RegistryStore m_store;
    Root m_root = Root::CurrentUser;
    std::string m_path;
    QString m_shownKey;
    bool m_badKey = false;
};

} // namespace

int runRegCommand(CliContext &context) { return RegCommand(context).run(); }

} // namespace tolvex::cli
