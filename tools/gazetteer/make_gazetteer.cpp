// Builds the saver's offline gazetteer (the table src/pictures/gazetteer.h reads) from
// Debian's GeoNames package: every city of libgeonames with its position and country,
// each name in the seven UI languages from the package's message catalogues (geonames.mo,
// whose message ids are GeoNames ids and country codes), country names falling back to
// iso-codes' translations (iso_3166-1.mo) and then to English.
//   make-gazetteer OUT [LOCALE_DIR]
#include <geonames.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// The UI languages' catalogue folders, in the saver's language order; English has none.
const char* const kLanguages[] = {"", "ru", "de", "fr", "es", "it", "ja"};
constexpr uint32_t kLanguageCount = 7;

using Catalogue = std::unordered_map<std::string, std::string>;

uint32_t Read32(const std::string& b, size_t at, bool swap) {
    uint32_t v = uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8) | (uint8_t(b[at + 2]) << 16) | (uint32_t(uint8_t(b[at + 3])) << 24);
    return swap ? __builtin_bswap32(v) : v;
}

// A GNU message catalogue's singular entries; an unreadable one is empty (names stay English).
Catalogue ReadCatalogue(const std::string& path) {
    Catalogue out;
    std::ifstream file(path, std::ios::binary);
    const std::string b((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
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

const std::string& Translated(const Catalogue& catalogue, const std::string& id, const std::string& fallback) {
    const auto it = catalogue.find(id);
    return it == catalogue.end() ? fallback : it->second;
}

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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: make-gazetteer OUT [LOCALE_DIR]\n");
        return 2;
    }
    const std::string localeDir = argc == 3 ? argv[2] : "/usr/share/locale";
    std::vector<Catalogue> names(kLanguageCount), countries(kLanguageCount);
    for (uint32_t l = 1; l < kLanguageCount; ++l) {
        const std::string folder = localeDir + "/" + kLanguages[l] + "/LC_MESSAGES/";
        names[l] = ReadCatalogue(folder + "geonames.mo");
        countries[l] = ReadCatalogue(folder + "iso_3166-1.mo");
    }

    struct Country {
        std::string code, name;
    };
    std::vector<Country> countryList;
    std::map<std::string, uint16_t> countryIndex;
    Pool pool;
    std::string places;
    const int n = geonames_get_n_cities();
    uint32_t placeCount = 0;
    for (int i = 0; i < n; ++i) {
        GeonamesCity* city = geonames_get_city(i);
        if (!city) continue;
        // The city record is a tuple whose first field is the GeoNames id, the catalogues' key.
        const gchar* id = nullptr;
        g_variant_get_child(city, 0, "&s", &id);
        const std::string name = geonames_city_get_name(city), code = geonames_city_get_country_code(city),
                          country = geonames_city_get_country(city);
        const double lat = geonames_city_get_latitude(city), lon = geonames_city_get_longitude(city);
        if (name.empty() || std::fabs(lat) > 90.0 || std::fabs(lon) > 180.0) {
            geonames_city_free(city);
            continue;
        }
        auto found = countryIndex.find(code);
        if (found == countryIndex.end()) {
            found = countryIndex.emplace(code, static_cast<uint16_t>(countryList.size())).first;
            countryList.push_back(Country{code, country});
        }
        Put32(places, static_cast<uint32_t>(static_cast<int32_t>(std::lround(lat * 1e5))));
        Put32(places, static_cast<uint32_t>(static_cast<int32_t>(std::lround(lon * 1e5))));
        places.push_back(char(found->second & 0xFF));
        places.push_back(char(found->second >> 8));
        for (uint32_t l = 0; l < kLanguageCount; ++l) Put32(places, pool.Add(Translated(names[l], id ? id : "", name)));
        ++placeCount;
        geonames_city_free(city);
    }
    std::string countryBytes;
    for (const Country& c : countryList) {
        countryBytes += c.code.size() == 2 ? c.code : std::string("??");
        for (uint32_t l = 0; l < kLanguageCount; ++l)
            Put32(countryBytes, pool.Add(Translated(names[l], c.code, Translated(countries[l], c.name, c.name))));
    }
    std::string out = "LMGZ";
    Put32(out, 1);
    Put32(out, placeCount);
    Put32(out, static_cast<uint32_t>(countryList.size()));
    Put32(out, kLanguageCount);
    Put32(out, static_cast<uint32_t>(pool.bytes.size()));
    out += countryBytes + places + pool.bytes;
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    if (!file.write(out.data(), std::streamsize(out.size()))) {
        fprintf(stderr, "make-gazetteer: cannot write %s\n", argv[1]);
        return 1;
    }
    printf("%u places, %zu countries, %zu bytes\n", placeCount, countryList.size(), out.size());
    return placeCount > 0 ? 0 : 1;
}
