// The UI texts by name: each value is the text's line in the language files and its place in
// the built-in English table, so a name never changes its number.
#pragma once
#include <cstdint>

namespace WorkSpace {
namespace Translate {

enum class TextId : int32_t {
    Ok = 0,
    Cancel = 1,
    Preview = 2,
    Remove = 3,
    RemoveAll = 4,
    ShowImages = 5,
    SelectScheme = 6,
    Files = 7,
    Select = 8,
    Options = 9,
    Resolution = 10,
    About = 11,
    ScreenSaver = 12,
    Version = 13,
    Language = 14,
    Open = 15,
    Close = 16,
    Delete = 17,
    Add = 18,
    NotSupported = 19,
    AccelerationDisabled = 20,
    EnableAcceleration = 21,
    OptionsTitle = 22,  // a second "Options"
    AuroraTitle = 23,
    NebulaTitle = 24,
    CometTitle = 25,
    LumoraTitle = 26,  // the configuration dialog's caption
    Rotation = 27,
    Falling = 28,
    Approach = 29,
    Motion = 30,
    FallRotation = 31,
    Fire = 32,
    Fireball = 33,
    Detonation = 34,
    TrailLength = 35,
    GlowIntensity = 36,
    Solar = 37,
    Earth = 38,
    Rgb = 39,
    Caramel = 40,
    // The four colour schemes, in scheme order.
    SchemeFlame = 41,
    SchemeIce = 42,
    SchemeSmoke = 43,
    SchemeCheerful = 44,
    // The requirements check's messages.
    RequirementsNotMet = 45,
    NoHardwareAcceleration = 46,
    NoShaders20 = 47,
    NoShaders10 = 48,
    InstallDrivers = 49,
    InstallDirectX = 50,
    ResolutionNotSupported = 51,
    // The empty picture list's two lines.
    ListHint = 52,
    ListHintDetail = 53,
    Effect = 54,
    Speed = 55,
    Size = 56,
    Pictures = 57,
    FitStretch = 58,
    FitFit = 59,
    FitFill = 60,
    Monitors = 61,
    EachMonitor = 62,
    SpanMonitors = 63,
    AddFolder = 64,
    Order = 65,
    InListOrder = 66,
    Shuffle = 67,
    SaveFailed = 68,
    Photos = 69,
    Captions = 70,
    CaptionNone = 71,
    CaptionDate = 72,
    CaptionDatePlace = 73,
    Portraits = 74,
    PortraitAsAny = 75,
    PortraitPair = 76,
    PortraitBlurred = 77,
    PerMonitor = 78,
    SameOnAll = 79,
    DifferentOnEach = 80,
    PanZoom = 81,
    PanZoomOff = 82,
    PanZoomGentle = 83,
    // The dialog's line when the display sleeps before the saver starts: %1 and %2 are
    // the display's and the saver's timeouts in minutes.
    DisplayOffFirst = 84,
    // Keys during the show: the label, then its two choices.
    PictureKeys = 85,
    KeysEnd = 86,
    KeysSteer = 87,
    // The clock in a corner: the label, then its three choices.
    Clock = 88,
    ClockOff = 89,
    ClockTime = 90,
    ClockTimeDate = 91,
    // The photo filters: the label, then "Any" and one to five stars.
    MinRating = 92,
    RatingAny = 93,
    OneStar = 94,
    TwoStars = 95,
    ThreeStars = 96,
    FourStars = 97,
    FiveStars = 98,
    // The shortest side a photo must have: the label and "Any"; the sizes are numbers.
    MinPictureSize = 99,
    SizeAny = 100,
    // The button beside "Add Folder...", and a left-out folder's line in the list (%1 its path).
    LeaveOutFolder = 101,
    LeftOutEntry = 102,
    // The photos taken on this day in earlier years: the label, then its two choices.
    Memories = 103,
    MemoriesOff = 104,
    MemoriesFirst = 105,
    // The caption's line for a memory: one year, and %1 years.
    YearAgo = 106,
    YearsAgo = 107,
    // Clips and live photos: the label, then its three choices; the clip length's label and
    // its four choices (the whole clip first).
    Videos = 108,
    VideosOff = 109,
    VideosAll = 110,
    VideosLiveOnly = 111,
    MaxVideoSeconds = 112,
    ClipWhole = 113,
    Clip15 = 114,
    Clip30 = 115,
    Clip60 = 116,
    // A server folder: the button beside "Add Folder...", the small dialog's caption and labels,
    // the check's progress and what it found wrong (%1 the server's status), the list menu's
    // Edit, an entry whose password is missing (%1 its address).
    AddServerFolder = 117,
    ServerFolderTitle = 118,
    ServerAddress = 119,
    ServerUser = 120,
    ServerPassword = 121,
    ServerChecking = 122,
    ServerWrongPassword = 123,
    ServerNoFolder = 124,
    ServerUntrusted = 125,
    ServerNoAnswer = 126,
    ServerBadAddress = 127,
    ServerNotDav = 128,
    ServerAnswered = 129,
    EditEntry = 130,
    NeedsPassword = 131,
    // The offline cache's bound: the label, and a size in megabytes or gigabytes.
    ServerCache = 132,
    MegabytesN = 133,
    GigabytesN = 134,
};

// The text `steps` places after `first`: a combo box's items are consecutive texts.
constexpr TextId TextAfter(TextId first, int32_t steps) {
    return static_cast<TextId>(static_cast<int32_t>(first) + steps);
}

}  // namespace Translate
}  // namespace WorkSpace
