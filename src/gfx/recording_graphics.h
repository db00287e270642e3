// A graphics backend without a device: every call is appended to a log as text with its
// arguments, so tests can assert the frame order and the render states around each draw.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gfx/graphics_ops.h"

namespace WorkSpace {

struct GraphicsRecord {
    std::vector<std::string> calls;
    // False: the calls are carried out but neither formatted nor kept, so a benchmark times
    // the frame rather than the text of its calls.
    bool keepCalls = true;
    std::set<std::string> failing;  // operation names that report failure
    std::map<std::string, HResult> results;  // operation name -> the HRESULT it returns
    std::string throwOn;            // operation name that throws (a frame that fails)
    int liveObjects = 0;            // created and not yet released
    // The device's sampler states as set so far, by (sampler, state); an unset one reads as
    // Direct3D 9's default.
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> samplerStates;
    // Every render, sampler and texture stage state set on the device so far, by name
    // ("SAMP 0 ADDRESSU"), and those in force at each draw as one text per draw; kept only
    // with the calls. A new device starts with none set.
    std::map<std::string, uint32_t> states;
    std::vector<std::string> drawStates;
    // The floats of the four vertices of the last screen-space quad (DrawPrimitiveUP).
    std::vector<float> lastQuad;
    DisplayLayout layout;           // what the platform reports for the window
    uint32_t refreshRate = 0;       // the device's display mode, in Hz (0: unknown)
    // Where the raster is, scripted by a test; null: the device cannot read its scan line.
    bool (*raster)(RasterStatus* status) = nullptr;

    bool Contains(const std::string& call) const;
    // Index of the first call starting with `prefix` at or after `from`; -1 if none.
    int Find(const std::string& prefix, size_t from = 0) const;
    void Clear() {
        calls.clear();
        drawStates.clear();
    }
};

// Every recorded object counts itself live while it exists and logs "Release(name)".
template <typename Base>
class Recorded : public Base {
public:
    Recorded(GraphicsRecord& r, std::string n) : record(r), name(std::move(n)) { ++record.liveObjects; }
    ~Recorded() override {
        record.calls.push_back("Release(" + name + ")");
        --record.liveObjects;
    }
    GraphicsRecord& record;
    std::string name;
};

// A texture that remembers its name.
using RecordedTexture = Recorded<Texture>;

// Makes Window::Create use the recorder: any non-null window handle is a window of the
// given client size. Returns the previous platform. Not thread-safe; for tests and tools.
void UseRecordingGraphics(GraphicsRecord* record, int32_t width, int32_t height);

}  // namespace WorkSpace
