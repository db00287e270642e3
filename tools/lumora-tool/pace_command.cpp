// lumora-tool pace: the saver's frame loop, with its own pacing, against a scripted display
// on a scripted clock; prints how its frames meet the display's refreshes.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/pace_simulation.h"
#include "tool.h"

namespace LumoraTool {
namespace {

bool ParseRate(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = strtod(text.c_str(), &end);
    return errno == 0 && end && *end == '\0' && std::isfinite(value);
}

int Pace(const Args& args) {
    WorkSpace::PaceScript script;
    std::string text;
    if (!Option(args, "--display", text) || !ParseRate(text, script.displayRate) || script.displayRate < 1.0 ||
        script.displayRate > 1000.0) {
        fprintf(stderr, "pace: --display HZ (1 to 1000) is required\n");
        return 2;
    }
    long long number = static_cast<long long>(std::floor(script.displayRate));
    if (Option(args, "--reported", text) && (!ParseInt(text, number) || number < 0 || number > 1000)) {
        fprintf(stderr, "pace: --reported takes a whole rate in Hz (0 to 1000)\n");
        return 2;
    }
    script.modeRate = static_cast<uint32_t>(number);
    number = 1;
    if (Option(args, "--vsync", text) && (!ParseInt(text, number) || (number != 0 && number != 1))) {
        fprintf(stderr, "pace: --vsync takes 0 or 1\n");
        return 2;
    }
    script.vsync = number == 1;
    number = 0;
    if (Option(args, "--queue", text) && (!ParseInt(text, number) || number < 1 || number > 3)) {
        fprintf(stderr, "pace: --queue takes the frames Present leaves waiting (1 to 3)\n");
        return 2;
    }
    script.queue = static_cast<int32_t>(number);
    number = 1;
    if (Option(args, "--raster", text) && (!ParseInt(text, number) || (number != 0 && number != 1))) {
        fprintf(stderr, "pace: --raster takes 0 or 1\n");
        return 2;
    }
    script.raster = number == 1;
    script.battery = Flag(args, "--battery");
    if (Option(args, "--seconds", text) &&
        (!ParseRate(text, script.seconds) || script.seconds <= 1.0 || script.seconds > 3600.0)) {
        fprintf(stderr, "pace: --seconds takes a length above the start-up second (at most 3600)\n");
        return 2;
    }
    if (Option(args, "--compositor", text) &&
        (!ParseRate(text, script.compositorRate) || script.compositorRate < 1.0 || script.compositorRate > 1000.0)) {
        fprintf(stderr, "pace: --compositor takes a rate in Hz (1 to 1000)\n");
        return 2;
    }
    if (Option(args, "--slow-start", text) &&
        (!ParseRate(text, script.slowStart) || script.slowStart < 0.0 || script.slowStart > script.seconds)) {
        fprintf(stderr, "pace: --slow-start takes seconds within the run\n");
        return 2;
    }
    if (Option(args, "--switch", text)) {
        const size_t at = text.find('@');
        if (at == std::string::npos || !ParseRate(text.substr(0, at), script.switchRate) ||
            !ParseRate(text.substr(at + 1), script.switchAt) || script.switchRate < 1.0 || script.switchRate > 1000.0 ||
            script.switchAt <= 0.0 || script.switchAt >= script.seconds) {
            fprintf(stderr, "pace: --switch takes HZ@T: a rate (1 to 1000) and a time within the run\n");
            return 2;
        }
    }
    double frameMs = 1.0;
    if (Option(args, "--frame-ms", text) && (!ParseRate(text, frameMs) || frameMs < 0.0 || frameMs > 1000.0)) {
        fprintf(stderr, "pace: --frame-ms takes milliseconds (0 to 1000)\n");
        return 2;
    }
    script.frameCost = frameMs / 1000.0;
    const WorkSpace::PaceReport report = WorkSpace::SimulatePacing(script);
    if (report.errorScreen) {
        fprintf(stderr, "pace: the start-up rule failed; the saver would show its error screen\n");
        return 1;
    }
    printf("vblanks %lld frames %lld uneven %lld speed %.3f\n", static_cast<long long>(report.vblanks),
           static_cast<long long>(report.frames), static_cast<long long>(report.uneven), report.speed);
    return 0;
}

const Registrar registrar({"pace",
                           "pace --display HZ [--reported N] [--compositor HZ] [--vsync 0|1] [--queue N] [--raster 0|1] [--battery] [--seconds S] "
                           "[--slow-start S] [--switch HZ@T] [--frame-ms MS]",
                           Pace,
                           "--display= --reported= --compositor= --vsync= --queue= --raster= --battery --seconds= --slow-start= --switch= "
                           "--frame-ms="});

}  // namespace
}  // namespace LumoraTool
