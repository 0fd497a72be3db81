// Any bytes given to the hive reader: it must not crash, hang or leak, and whatever it accepts it
// must write back in a form it reads again to the same text.
#include "registry/HiveCodec.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using tolvex::registry::Hive;
using tolvex::registry::HiveCodec;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    Hive hive;
    HiveCodec codec;
    if (!codec.read(text, hive)) {
        if (codec.errorLine() < 1 || codec.errorString().empty())
            std::abort();
        return 0;
    }
    const std::string written = HiveCodec::write(hive);
    Hive again;
    HiveCodec second;
    if (!second.read(written, again))
        std::abort();
    if (HiveCodec::write(again) != written)
        std::abort();
    // Forcing every key to be written from its contents must also read back.
    std::vector<tolvex::registry::HiveKey *> pending{again.root.get()};
    while (!pending.empty()) {
        auto *key = pending.back();
        pending.pop_back();
        key->touch();
        for (const auto &child : key->children())
            pending.push_back(child.get());
    }
    const std::string regenerated = HiveCodec::write(again);
    Hive third;
    if (!HiveCodec().read(regenerated, third) || HiveCodec::write(third) != regenerated)
        std::abort();
    return 0;
}
