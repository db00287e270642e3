#include "captions/gazetteer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace WorkSpace;

namespace {
struct TestPlace {
    double lat, lon;
    std::string name;
    uint16_t country;
    uint32_t population = 1000;
};

void Put32(std::string& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(char(v >> (8 * i)));
}

// A table of two languages: English names, and the second language's with a "2" appended
// (each place with a translated row of its own).
std::string Table(const std::vector<TestPlace>& places) {
    std::string pool, countries, translated, rows;
    auto add = [&](const std::string& s) {
        const uint32_t at = uint32_t(pool.size());
        pool += s + '\0';
        return at;
    };
    for (const char* c : {"AA", "BB"}) {
        countries += c;
        Put32(countries, add(std::string("Land ") + c));
        Put32(countries, add(std::string("Land ") + c + "2"));
    }
    for (const TestPlace& p : places) {
        Put32(rows, uint32_t(int32_t(std::lround(p.lat * 1e5))));
        Put32(rows, uint32_t(int32_t(std::lround(p.lon * 1e5))));
        Put32(rows, p.population);
        rows.push_back(char(p.country));
        rows.push_back(0);
        Put32(rows, 0x80000000u | uint32_t(translated.size() / 8));
        Put32(translated, add(p.name));
        Put32(translated, add(p.name + "2"));
    }
    std::string b = "LMGZ";
    for (uint32_t v : {2u, uint32_t(places.size()), 2u, 2u, uint32_t(places.size()), uint32_t(pool.size())}) Put32(b, v);
    return b + countries + translated + rows + pool;
}

std::string NearestName(const Gazetteer& g, double lat, double lon, uint32_t language = 0) {
    PlaceName out;
    return g.Nearest(lat, lon, language, out) ? out.place + " / " + out.country : "-";
}
}  // namespace

TEST(Gazetteer, NearestPlaceWithinFiftyKilometres) {
    Gazetteer g;
    ASSERT_TRUE(g.Load(Table({{48.137, 11.575, "Munich", 0}, {48.366, 10.898, "Augsburg", 0},
                              {47.80, 13.04, "Salzburg", 1}})));
    EXPECT_EQ(g.Places(), 3u);
    EXPECT_EQ(NearestName(g, 48.30, 11.30), "Munich / Land AA");      // 26 km from Munich, 33 from Augsburg
    EXPECT_EQ(NearestName(g, 47.85, 12.95, 1), "Salzburg2 / Land BB2");
    EXPECT_EQ(NearestName(g, 47.85, 12.95, 9), "Salzburg / Land BB");  // an unknown language: English
    // 0.44 degrees of latitude north of Munich is 48.9 km; 0.46 is 51.2 km.
    EXPECT_EQ(NearestName(g, 48.137 + 0.44, 11.575), "Munich / Land AA");
    EXPECT_EQ(NearestName(g, 48.137 + 0.46, 11.575), "-");
    EXPECT_EQ(NearestName(g, 0.0, 0.0), "-");
}

TEST(Gazetteer, AcrossTheDateLineAndNearThePoles) {
    Gazetteer g;
    ASSERT_TRUE(g.Load(Table({{-16.5, 179.9, "West", 0}, {64.0, -179.8, "East", 1}, {89.9, 40.0, "Pole", 0}})));
    EXPECT_EQ(NearestName(g, -16.5, -179.9), "West / Land AA");  // 21 km, over the 180th meridian
    EXPECT_EQ(NearestName(g, 64.0, 179.6), "East / Land BB");     // 29 km the other way
    // Near the pole a degree of longitude is a few hundred metres: every column is near.
    EXPECT_EQ(NearestName(g, 89.8, -140.0), "Pole / Land AA");
    EXPECT_EQ(NearestName(g, 90.0, 0.0), "Pole / Land AA");
    EXPECT_EQ(NearestName(g, NAN, 0.0), "-");
}

// Within 50 km the place whose reach holds the position most deeply wins, else the nearest
// one; a place of unknown population only where no other is near.
TEST(Gazetteer, ThePlaceAPersonWouldName) {
    EXPECT_NEAR(PlaceReachKm(100000), 2.5, 1e-9);
    EXPECT_NEAR(PlaceReachKm(400000), 5.0, 1e-9);
    Gazetteer g;
    // Metro reaches 15.8 km, Suburb (11.1 km north of Metro) 1.8 km, Town (33 km) 2.5 km,
    // City (13.3 km south of Metro, in another country) 7.9 km.
    ASSERT_TRUE(g.Load(Table({{0.0, 0.0, "Metro", 0, 4000000},
                              {0.1, 0.0, "Suburb", 0, 50000},
                              {0.3, 0.0, "Town", 0, 100000},
                              {-0.12, 0.0, "City", 1, 1000000},
                              {0.09, 0.001, "Castle", 0, 0},
                              {10.0, 10.0, "Hamlet", 1, 0},
                              {10.3, 10.0, "Village", 1, 1000}})));
    EXPECT_EQ(NearestName(g, 0.085, 0.0), "Metro / Land AA");    // Suburb and Castle nearer, Metro covers
    EXPECT_EQ(NearestName(g, 0.31, 0.0), "Town / Land AA");      // beyond Metro's reach, in Town's
    EXPECT_EQ(NearestName(g, 0.19, 0.0), "Suburb / Land AA");    // covered by none: the nearest
    EXPECT_EQ(NearestName(g, -0.1, 0.0), "City / Land BB");      // in both areas, deeper in City's
    EXPECT_EQ(NearestName(g, -0.05, 0.0), "Metro / Land AA");    // in both areas, deeper in Metro's
    EXPECT_EQ(NearestName(g, 10.05, 10.0), "Village / Land BB");  // Hamlet is nearer, population unknown
    EXPECT_EQ(NearestName(g, 9.75, 10.0), "Hamlet / Land BB");    // Village beyond 50 km
}

TEST(Gazetteer, DamagedTablesAreRefused) {
    const std::string good = Table({{1.0, 1.0, "A", 0}});
    Gazetteer g;
    EXPECT_FALSE(g.Load(good.substr(0, good.size() - 1)));
    const size_t place = 28 + 2 * 10 + 8;  // after the header, the countries and one row
    std::string badCountry = good;
    badCountry[place + 12] = 5;  // the place's country index past the two countries
    EXPECT_FALSE(g.Load(badCountry));
    std::string badRow = good;
    badRow[place + 14] = 1;  // a translated row past the one there is
    EXPECT_FALSE(g.Load(badRow));
    std::string badName = good;
    badName[place - 8 + 3] = 0x7F;  // a row's name offset far past the pool
    EXPECT_FALSE(g.Load(badName));
    std::string oneName = good;
    oneName[place + 17] = 0;  // the pool offset of a name for every language: "Land AA"
    EXPECT_TRUE(g.Load(oneName));
    EXPECT_EQ(NearestName(g, 1.0, 1.0, 1), "Land AA / Land AA2");
    EXPECT_FALSE(g.Load("LMGZ"));
    EXPECT_EQ(g.Places(), 0u);
    EXPECT_EQ(NearestName(g, 1.0, 1.0), "-");
}
