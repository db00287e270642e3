// lumora-tool caption: each photo's caption as the saver shows it, two lines a file (the
// date, then the place; empty where the photo does not tell), with the saver's own EXIF
// reader, caption text and gazetteer. The date is in the chosen UI language's long form.
#include <cstdio>
#include <string>

#include "captions/caption.h"
#include "imaging/exif.h"
#include "platform/platform.h"
#include "tool.h"

namespace LumoraTool {
namespace {

// The gazetteer's table: the file the build made or the one shipped beside the saver
// (LumoraPlaces.dat).
bool LoadPlaces(const std::string& path, WorkSpace::Gazetteer& places) {
    using namespace WorkSpace;
    std::string bytes;
    return Platform::ReadWholeFile(Platform::Utf8ToWide(path.data(), path.size()), bytes) &&
           places.Load(std::move(bytes));
}

int Caption(const Args& args) {
    using namespace WorkSpace;
    std::string text, placesPath;
    long long language = 0;
    if (Option(args, "--lang", text) && (!ParseInt(text, language) || language < 0 || language > 6)) {
        fprintf(stderr, "caption: --lang takes a language number 0..6\n");
        return 2;
    }
#ifdef LUMORA_PLACES_FILE
    placesPath = LUMORA_PLACES_FILE;
#endif
    Option(args, "--places", placesPath);
    Gazetteer places;
    if (!placesPath.empty() && !LoadPlaces(placesPath, places)) {
        fprintf(stderr, "caption: cannot read the places table '%s'\n", placesPath.c_str());
        return 1;
    }
    int status = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--lang" || args[i] == "--places") {
            ++i;
            continue;
        }
        std::string bytes;
        if (!Platform::ReadWholeFile(Platform::Utf8ToWide(args[i].data(), args[i].size()), bytes)) {
            fprintf(stderr, "caption: cannot read '%s'\n", args[i].c_str());
            status = 1;
            continue;
        }
        ExifFacts facts;
        ReadExifFacts(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), facts);
        const CaptionText caption = MakeCaption(facts, CaptionMode::DateAndPlace, static_cast<uint32_t>(language),
                                                places.Places() ? &places : nullptr, LongDateText);
        printf("%s\n%s\n", Platform::WideToUtf8(caption.date).c_str(), Platform::WideToUtf8(caption.place).c_str());
    }
    return status;
}

const Registrar kCaption({"caption", "caption [--lang N] [--places FILE] FILE...", Caption, "--lang= --places="});

}  // namespace
}  // namespace LumoraTool
