// Times loading and saving the three hives of a Wine prefix with the hive layer, and Wine's own
// load and export of the same registry beside it. Prints figures; never fails on time.
//
//   hive_bench PREFIX [--runs N] [--wine-runs N] [--no-wine]

#include "machine/WineServerProbe.h"
#include "registry/RegistryStore.h"
#include "registry/FileIO.h"
#include "registry/HiveCodec.h"
#include "registry/HiveRegistry.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <stdexcept>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace fs = std::filesystem;
using namespace tolvex::registry;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Stats
{
    double median = 0;
    double min = 0;
};

Stats statsOf(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    return {median, ms.front()};
}

// Each run times itself, so that setup and tear-down (freeing a parsed tree) stay outside.
Stats measure(int runs, const std::function<double()> &run)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i)
        ms.push_back(run());
    return statsOf(ms);
}

// Thrown rather than exiting, so that the temporary folders are still removed.
struct Failure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

[[noreturn]] void die(const std::string &message) { throw Failure(message); }

std::string readOrDie(const std::string &path)
{
    std::string bytes, error;
    if (!fileio::readAll(path, bytes, error))
        die(path + ": " + error);
    return bytes;
}

// Where two texts first differ, as "line L (offset O)"; empty when they are equal.
std::string firstDifference(const std::string &a, const std::string &b)
{
    if (a == b)
        return {};
    const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    const size_t offset = size_t(at.first - a.begin());
    const long line = 1 + std::count(a.begin(), a.begin() + std::ptrdiff_t(offset), '\n');
    return "line " + std::to_string(line) + " (offset " + std::to_string(offset) + ", sizes " +
           std::to_string(a.size()) + " and " + std::to_string(b.size()) + ")";
}

std::string cell(const Stats &s)
{
    char buffer[48];
    // Small figures keep a fourth decimal so that they do not print as zero; Wine's seconds need none.
    const char *format = s.median < 0.1 ? "%.4f (%.4f)" : s.median < 100 ? "%.3f (%.3f)" : "%.0f (%.0f)";
    std::snprintf(buffer, sizeof buffer, format, s.median, s.min);
    return buffer;
}

// The end of a log, for an error message: the log itself goes with the temporary folder.
std::string tailOf(const std::string &path)
{
    std::string bytes, error;
    if (!fileio::readAll(path, bytes, error))
        return {};
    return bytes.size() > 2000 ? bytes.substr(bytes.size() - 2000) : bytes;
}

double mbPerSecond(size_t bytes, double ms) { return ms > 0 ? bytes / 1e6 / (ms / 1e3) : 0; }

// ---- Wine peers -------------------------------------------------------------------------------

struct WineSetup
{
    std::string prefix;
    std::string wine = "wine";
    std::string wineserver = "wineserver";
};

// The environment of every Wine call: the copy's prefix, no debug channels, no Mono or Gecko
// offer, and no display, so that nothing waits for a window.
std::vector<std::string> wineEnvironment(const std::string &prefix)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string_view v(*e);
        if (v.starts_with("DISPLAY=") || v.starts_with("WINEPREFIX=") || v.starts_with("WINEDEBUG=") ||
            v.starts_with("WINEDLLOVERRIDES="))
            continue;
        env.emplace_back(v);
    }
    env.push_back("WINEPREFIX=" + prefix);
    env.push_back("WINEDEBUG=-all");
    env.push_back("WINEDLLOVERRIDES=mscoree,mshtml=");
    return env;
}

// Runs a program to its end with output sent to `logPath`; its exit code, or -1.
int run(const std::vector<std::string> &args, const std::vector<std::string> &env, const std::string &logPath)
{
    std::vector<char *> argv, envp;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string &e : env)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        std::fprintf(stderr, "hive_bench: %s: %s\n", args[0].c_str(), std::strerror(rc));
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct WineTiming
{
    Stats returned; // until the wine command exits
    Stats settled;  // until wineserver has saved the registry and exited as well
};

// Each run starts with no wineserver and the source hives, so every run loads the same files
// (wineserver rewrites them on exit).
WineTiming timeWine(const WineSetup &setup, const std::string &sourcePrefix, const std::vector<std::string> &args,
                    int runs, const std::string &logPath, const std::function<void()> &checkRun)
{
    const std::vector<std::string> env = wineEnvironment(setup.prefix);
    std::vector<double> returned, settled;
    for (int i = 0; i < runs; ++i) {
        run({setup.wineserver, "-k"}, env, logPath);
        run({setup.wineserver, "-w"}, env, logPath);
        for (const char *name : {"system.reg", "user.reg", "userdef.reg"})
            fs::copy_file(fs::path(sourcePrefix) / name, fs::path(setup.prefix) / name,
                          fs::copy_options::overwrite_existing);
        const auto start = Clock::now();
        const int rc = run(args, env, logPath);
        returned.push_back(msSince(start));
        run({setup.wineserver, "-w"}, env, logPath);
        settled.push_back(msSince(start));
        if (rc != 0)
            die(args[1] + " exited with " + std::to_string(rc) + ":\n" + tailOf(logPath));
        checkRun();
    }
    return {statsOf(returned), statsOf(settled)};
}

std::string windowsPath(const std::string &unixPath)
{
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

struct TempFolder
{
    std::string path;
    explicit TempFolder(const std::string &pattern)
    {
        const char *tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + pattern;
        if (!::mkdtemp(templ.data()))
            die("mkdtemp: " + std::string(std::strerror(errno)));
        path = templ;
    }
    ~TempFolder()
    {
        std::error_code ec;
        fs::remove_all(path, ec); // symlinks such as dosdevices/z: are removed, not followed
    }
};

} // namespace

int bench(int argc, char **argv)
{
    std::string prefix;
    int runs = 30;
    int wineRuns = 3;
    bool withWine = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--wine-runs" && i + 1 < argc)
            wineRuns = std::max(1, std::atoi(argv[++i]));
        else if (a == "--no-wine")
            withWine = false;
        else if (prefix.empty() && !a.starts_with("-"))
            prefix = a;
        else
            die("usage: hive_bench PREFIX [--runs N] [--wine-runs N] [--no-wine]");
    }
    if (prefix.empty())
        die("usage: hive_bench PREFIX [--runs N] [--wine-runs N] [--no-wine]");
    prefix = fs::absolute(prefix).lexically_normal().string();
    if (!prefix.empty() && prefix.back() == '/')
        prefix.pop_back();

    const char *names[3] = {"system.reg", "user.reg", "userdef.reg"};
    const HiveRegistry::HiveId ids[3] = {HiveRegistry::HiveId::Machine, HiveRegistry::HiveId::User,
                                         HiveRegistry::HiveId::UserDefault};
    TempFolder temp("tolvex-hive-bench.XXXXXX");
    const std::string saveFolder = temp.path + "/hives";
    fs::create_directory(saveFolder);

    std::printf("Prefix %s, runs: %d each; ms as median (min); MB = 10^6 bytes\n\n", prefix.c_str(), runs);
    std::printf("%-12s %8s %16s %16s %10s %16s %10s %16s  %s\n", "file", "size MB", "read ms", "parse ms",
                "parse MB/s", "write ms", "write MB/s", "save ms", "written = file");

    bool allEqual = true;
    size_t totalBytes = 0;
    double ratios[3] = {};
    for (int f = 0; f < 3; ++f) {
        const std::string path = prefix + "/" + names[f];
        const std::string bytes = readOrDie(path);
        totalBytes += bytes.size();

        const Stats read = measure(runs, [&] {
            std::string in, error;
            const auto start = Clock::now();
            if (!fileio::readAll(path, in, error))
                die(path + ": " + error);
            return msSince(start);
        });

        const Stats parse = measure(runs, [&] {
            auto hive = std::make_unique<Hive>();
            HiveCodec codec;
            const auto start = Clock::now();
            const bool ok = codec.read(bytes, *hive);
            const double ms = msSince(start);
            if (!ok)
                die(path + ", line " + std::to_string(codec.errorLine()) + ": " + codec.errorString());
            return ms;
        });

        Hive hive;
        HiveCodec codec;
        codec.read(bytes, hive);
        std::string written;
        const Stats write = measure(runs, [&] {
            const auto start = Clock::now();
            std::string out = HiveCodec::write(hive);
            const double ms = msSince(start);
            written = std::move(out);
            return ms;
        });
        const std::string difference = firstDifference(written, bytes);
        allEqual = allEqual && difference.empty();

        // Over a copy, so that the old file's mode is looked up as it would be in the prefix.
        const std::string savePath = saveFolder + "/" + names[f];
        fs::copy_file(path, savePath, fs::copy_options::overwrite_existing);
        const Stats save = measure(runs, [&] {
            std::string error;
            const auto start = Clock::now();
            if (!fileio::writeAtomically(savePath, written, error))
                die(savePath + ": " + error);
            return msSince(start);
        });
        if (readOrDie(savePath) != written)
            die(savePath + ": the saved file differs from the text written");

        ratios[f] = read.median > 0 ? parse.median / read.median : 0;
        std::printf("%-12s %8.3f %16s %16s %10.1f %16s %10.1f %16s  %s\n", names[f], bytes.size() / 1e6,
                    cell(read).c_str(), cell(parse).c_str(), mbPerSecond(bytes.size(), parse.median),
                    cell(write).c_str(), mbPerSecond(bytes.size(), write.median), cell(save).c_str(),
                    difference.empty() ? "yes" : ("NO, from " + difference).c_str());
    }
    std::printf("\nparse/read (medians):");
    for (int f = 0; f < 3; ++f)
        std::printf("  %s %.1fx", names[f], ratios[f]);
    std::printf("\n");

    const Stats load = measure(runs, [&] {
        auto registry = std::make_unique<HiveRegistry>();
        const auto start = Clock::now();
        registry->load(prefix);
        const double ms = msSince(start);
        if (!registry->loadErrors().empty())
            die(registry->loadErrors().front());
        return ms;
    });
    HiveRegistry registry;
    registry.load(prefix);
    bool registryEqual = true;
    for (int f = 0; f < 3; ++f) {
        const std::string difference = firstDifference(registry.serialized(ids[f]), readOrDie(prefix + "/" + names[f]));
        if (!difference.empty()) {
            registryEqual = false;
            std::printf("HiveRegistry::serialized(%s) differs from the file from %s\n", names[f], difference.c_str());
        }
    }
    allEqual = allEqual && registryEqual;
    std::printf("HiveRegistry::load, 3 hives (%.3f MB): %s ms, %.1f MB/s; serialized() = files: %s\n",
                totalBytes / 1e6, cell(load).c_str(), mbPerSecond(totalBytes, load.median),
                registryEqual ? "yes" : "NO");
    std::printf("save = fileio::writeAtomically (temporary file, fsync, rename) of the written text into a "
                "temporary folder, never the prefix\n");

    // What a save of a changed hive costs beyond the write itself when no other program wrote the
    // file: the look at the file's version (before and once more just before the rename) and the
    // three looks for a wineserver (the machine's, the save's, the rename's).
    {
        const std::string userCopy = saveFolder + "/user.reg";
        const QString folder = QString::fromStdString(saveFolder);
        const Stats check = measure(runs * 10, [&] {
            const auto start = Clock::now();
            bool held = false;
            for (int i = 0; i < 3; ++i)
                held = held || tolvex::platform::wineServerRunning(folder);
            const bool same = fileio::identityOf(userCopy) == fileio::identityOf(userCopy);
            const double ms = msSince(start);
            if (held || !same)
                die("the copy is held or changing");
            return ms;
        });
        HiveRegistry copy;
        copy.load(saveFolder);
        copy.setHolderCheck([&](bool) { return tolvex::platform::wineServerRunning(folder); });
        int generation = 0;
        const Stats flush = measure(runs, [&] {
            {
                tolvex::registry::RegistryStore store(copy);
                if (!store.OpenPath("\\Software\\TolvexBench", true))
                    die("cannot open a key in the copy");
                store.SetDword("Generation", std::uint32_t(++generation));
            }
            const auto start = Clock::now();
            if (const auto errors = copy.flush(); !errors.empty())
                die(errors.front());
            return msSince(start);
        });
        const Stats plainSave = measure(runs, [&] {
            std::string error;
            const std::string text = copy.serialized(HiveRegistry::HiveId::User);
            const auto start = Clock::now();
            if (!fileio::writeAtomically(userCopy, text, error))
                die(userCopy + ": " + error);
            return msSince(start);
        });
        std::printf("\nuser.reg, one value changed, file unchanged on disk: check before saving %s ms; "
                    "writeAtomically alone %s ms; HiveRegistry::flush with the check %s ms; check/save %.2f%%\n",
                    cell(check).c_str(), cell(plainSave).c_str(), cell(flush).c_str(),
                    plainSave.median > 0 ? 100.0 * check.median / plainSave.median : 0.0);
    }

    if (withWine) {
        WineSetup setup;
        if (const char *w = std::getenv("WINE"); w && *w)
            setup.wine = w;
        if (const char *w = std::getenv("WINESERVER"); w && *w)
            setup.wineserver = w;
        setup.prefix = temp.path + "/prefix";
        const std::string logPath = temp.path + "/wine.log";
        if (run({setup.wineserver, "--version"}, wineEnvironment(setup.prefix), logPath) != 0) {
            std::printf("\nWine peers skipped: %s does not run.\n", setup.wineserver.c_str());
            return allEqual ? 0 : 2;
        }
        // Declared after the temporary folder, so the copy's server is stopped before its removal.
        struct ServerStopper
        {
            const WineSetup &setup;
            std::string log;
            ~ServerStopper() { run({setup.wineserver, "-k"}, wineEnvironment(setup.prefix), log); }
        } stopper{setup, logPath};
        std::printf("\nCopying the prefix for Wine...\n");
        std::fflush(stdout);
        std::error_code ec;
        fs::copy(prefix, setup.prefix, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
        if (ec)
            die("copying the prefix: " + ec.message());

        const std::string exportPath = temp.path + "/export.reg";
        size_t exportSize = 0;
        const WineTiming exported = timeWine(
            setup, prefix, {setup.wine, "regedit", "/E", windowsPath(exportPath), "HKEY_LOCAL_MACHINE"}, wineRuns,
            logPath, [&] {
                std::error_code sizeError;
                exportSize = size_t(fs::file_size(exportPath, sizeError));
                if (sizeError || exportSize == 0)
                    die("regedit /E wrote no file:\n" + tailOf(logPath));
                fs::remove(exportPath);
            });
        const WineTiming query = timeWine(setup, prefix, {setup.wine, "reg", "query", "HKCU\\Software\\Wine"},
                                          wineRuns, logPath, [] {});

        std::printf("Wine, runs: %d each, cold (after wineserver -k), ms as median (min); ratio = median / our "
                    "load median\n",
                    wineRuns);
        std::printf("%-44s %16s %8s %16s %8s\n", "", "wine returned", "ratio", "+ wineserver -w", "ratio");
        auto row = [&](const char *what, const WineTiming &t) {
            std::printf("%-44s %16s %7.0fx %16s %7.0fx\n", what, cell(t.returned).c_str(),
                        t.returned.median / load.median, cell(t.settled).c_str(), t.settled.median / load.median);
        };
        row("wine regedit /E out.reg HKEY_LOCAL_MACHINE", exported);
        row("wine reg query HKCU\\Software\\Wine", query);
        std::printf("(regedit's export: %.3f MB of UTF-16; wineserver -w includes the server's idle wait "
                    "before it saves and exits)\n",
                    exportSize / 1e6);
    }

    if (!allEqual) {
        std::printf("\nThe written text differs from a file: the round trip is not byte for byte.\n");
        return 2;
    }
    return 0;
}

int main(int argc, char **argv)
{
    try {
        return bench(argc, argv);
    } catch (const std::exception &e) {
        std::fflush(stdout);
        std::fprintf(stderr, "hive_bench: %s\n", e.what());
        return 1;
    }
}
