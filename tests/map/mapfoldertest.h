#pragma once

#include <string>

#include <gtest/gtest.h>

#include "map/mapdata.h"
#include "testsupport.h"

// A map folder of its own for each test, with the MapData pointing at it.
class MapFolderTest : public ::testing::Test {
protected:
    MapFolderTest() { mapData.mapFolder = folder.Path(); }

    void Write(const std::string& name, const std::string& text) { folder.Write(name, text); }

    // Adds empty territories, as "polygons.txt" would, for the readers that attach points.
    void AddTerritories(std::initializer_list<const char*> names) {
        for (const char* name : names) mapData.territories[name].name = name;
    }

    const Territory& TerritoryNamed(const std::string& name) {
        const auto found = mapData.territories.find(name);
        EXPECT_NE(found, mapData.territories.end()) << name;
        static const Territory kNone;
        return found == mapData.territories.end() ? kNone : found->second;
    }

    TemporaryFolder folder;
    MapData mapData;
};
