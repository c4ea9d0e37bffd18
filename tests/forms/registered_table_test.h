// A translation table in a private folder with the caption registry filled,
// as a host call has them while its forms are created.
#pragma once

#include <map>
#include <string>

#include "localisation/caption_registry.h"
#include "localisation/table_file.h"
#include "localisation/table_test_support.h"

namespace qxtest {

class RegisteredTableTest : public TableFolderTest {
protected:
    void SetUp() override {
        TableFolderTest::SetUp();
        qx::FreeCaptionRegistry();
        qx::RegisterCaptionInfos();
    }
    void TearDown() override {
        qx::FreeCaptionRegistry();
        TableFolderTest::TearDown();
    }
    // The rows of the table file by their key.
    std::map<std::string, qx::datapacket::Row> fileRows() {
        std::map<std::string, qx::datapacket::Row> rows;
        if (auto table = qx::tablefile::load(tableFile().string()))
            for (auto& row : table->rows) rows[row[0]] = row;
        return rows;
    }
};

}  // namespace qxtest
