#include "localisation/datapacket.h"

#include "common/error.h"
#include "packet_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace qxtest;
using qx::datapacket::readBinary;
using qx::datapacket::readXml;
using qx::datapacket::Row;
using qx::datapacket::writeBinary;
using qx::datapacket::writeXml;

const std::string kGbk = "\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0";  // "员工上班" (staff on duty)

std::string changeLog(const std::vector<std::uint32_t>& triplets) {
    std::string value = le(triplets.size(), 4);
    for (auto v : triplets) value += le(v, 4);
    return PacketBuilder::property("CHANGE_LOG", 0x00820004, value);
}

TEST(BinaryPacketReader, KeepsOnlyCurrentRowsOfAnUnmergedChangeLog) {
    // Rows 1-3 were loaded; then row 1 was modified (it keeps the original
    // version; row 4 replaces it and marks its unchanged columns), row 2
    // deleted, row 5 inserted, and row 6 inserted and deleted again.
    const auto nc = Cell::notChanged();
    const auto null = Cell::null();
    const std::string packet =
        tableColumns()
            .packetProperty(changeLog({4, 1, 8, 2, 0, 2, 5, 0, 4, 6, 0, 4}))
            .row(1, {"1", "m1", "old", null, null})
            .row(1 | 2, {"2", "m2", null, null, null})
            .row(0, {"3", "m3", null, null, null})
            .row(8, {nc, nc, "new", "neu", nc})
            .row(4, {"tfa.caption", "A", null, null, null})
            .row(4 | 2, {"tfb.caption", "B", null, null, null})
            .row(0x20, {"unused", "U", null, null, null})
            .build();
    const auto table = readBinary(packet);
    const std::vector<Row> expected = {
        {"3", "m3", "", "", ""},
        {"1", "m1", "new", "neu", ""},
        {"tfa.caption", "A", "", "", ""},
    };
    EXPECT_EQ(table.rows, expected);
}

TEST(BinaryPacketReader, AcceptsTheFormsTheEngineWrites) {
    struct Case {
        const char* what;
        std::string packet;
        std::vector<Row> expected;
        std::array<bool, 5> hasColumn = {true, true, true, true, true};
    };
    const std::string long300(300, 'x');
    const Case cases[] = {
        {"extra columns, another order, packet and column properties",
         PacketBuilder()
             .column("RecNo", PacketBuilder::kInt32)
             .stringColumn("NewString3", 250)
             .stringColumn("Comment", 40, 0x10)
             .stringColumn("id", 250, 4)
             .stringColumn("NewString", 250)
             .stringColumn("OriginString", 250, 2)
             .stringColumn("NewString2", 250)
             .packetProperty(PacketBuilder::property("LCID", PacketBuilder::kInt32, le(0x0804, 4)))
             .packetProperty(PacketBuilder::property("PRIMARY_KEY", 0x00820002, le(1, 4) + le(4, 2)))
             .packetProperty(PacketBuilder::property("DATASET_NAME", 0x00490001, le(5, 1) + std::string("tbl\0", 4) + "x"))
             .row(0, {le(7, 4), "three", "note", "1", "one", "m1", "two"})
             .build(),
         {{"1", "m1", "one", "two", "three"}}},
        {"GBK text", tableColumns().row(0, {"tfdlg.caption", kGbk, kGbk + " ", Cell::null(), Cell::null()}).build(),
         {{"tfdlg.caption", kGbk, kGbk + " ", "", ""}}},
        {"a value longer than the width comes back whole",
         tableColumns().row(0, {"1", long300.substr(0, 255), Cell::null(), Cell::null(), Cell::null()}).build(),
         {{"1", long300.substr(0, 255), "", "", ""}}},
        {"2-byte prefixes on wide columns, a 300-byte value",
         PacketBuilder()
             .stringColumn("ID", 1000)
             .stringColumn("OriginString", 300)
             .stringColumn("NewString", 250)
             .row(0, {"k", long300, "n"})
             .build(),
         {{"k", long300, "n", "", ""}},
         {true, true, true, false, false}},
        {"4-byte prefix, fixed-size padded string, no row offset",
         PacketBuilder()
             .column("ID", 0x00490004, {PacketBuilder::width(250)})
             .column("OriginString", 0x00090008)  // fixed 8 bytes, NUL padded
             .row(0, {"key", std::string("abc\0\0\0\0\0", 8)})
             .flags(1)
             .build(),
         {{"key", "abc", "", "", ""}},
         {true, true, false, false, false}},
        {"NUL inside a value ends it", tableColumns().row(0, {std::string("a\0b", 3), "o", "", "", ""}).build(),
         {{"a", "o", "", "", ""}}},
        {"no rows", tableColumns().build(), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto table = readBinary(c.packet);
        EXPECT_EQ(table.rows, c.expected);
        EXPECT_EQ(table.hasColumn, c.hasColumn);
    }
}

TEST(BinaryPacketReader, RefusesWhatIsNotACompletePacketWithAnID) {
    const std::string good = tableColumns().row(0, {"1", "a", "b", "c", "d"}).build();
    std::string badMagic = good;
    badMagic[0] = 'X';
    std::string noMetadata = good;
    noMetadata[18] = 2;
    std::string offsetInsideColumns = good;
    offsetInsideColumns[22] = 30;
    offsetInsideColumns[23] = 0;
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty file", ""},
        {"text file", "ID;OriginString\r\n1;Hello\r\n"},
        {"bad signature", badMagic},
        {"header only", good.substr(0, 24)},
        {"cut inside a column descriptor", good.substr(0, 60)},
        {"cut inside the last row", good.substr(0, good.size() - 1)},
        {"more rows announced than stored", tableColumns().row(0, {"1", "a", "", "", ""}).rowCount(2).build()},
        {"no ID column", PacketBuilder().stringColumn("Key", 250).stringColumn("OriginString", 250).build()},
        {"ID is not a text column", PacketBuilder().column("ID", PacketBuilder::kInt32).build()},
        {"no field definitions", noMetadata},
        {"row offset inside the columns", offsetInsideColumns},
        {"length prefix of 3 bytes", PacketBuilder().column("ID", 0x00490003).row(0, {"abc"}).build()},
        {"huge array property",
         tableColumns().packetProperty(PacketBuilder::property("CHANGE_LOG", 0x00820004, le(0xFFFFFFFF, 4))).build()},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(readBinary(c.bytes), qx::Error) << c.what;
    }
}

TEST(BinaryPacketWriter, WritesThePlainFormByteForByte) {
    const std::string empty = writeBinary(std::vector<Row>{});
    ASSERT_EQ(empty.size(), 174u);
    // Header: signature, version 1.0, header size 24, 5 columns, 0 rows,
    // flags 3, first row at 174.
    EXPECT_EQ(empty.substr(0, 24), std::string("\x96\x19\xe0\xbd\x01\x00\x00\x00\x18\x00\x00\x00"
                                               "\x05\x00\x00\x00\x00\x00\x03\x00\x00\x00\xae\x00",
                                               24));
    EXPECT_EQ(empty.substr(24, 23), std::string("\x02ID\x01\x00\x49\x00\x00\x00\x01\x00"
                                                "\x05WIDTH\x02\x00\x02\x00\xfa\x00",
                                                23));
    EXPECT_EQ(empty.substr(47, 13), "\x0cOriginString");
    EXPECT_EQ(empty.substr(172), std::string("\x00\x00", 2)) << "no packet property";

    const std::string one = writeBinary({{"1", "A", "", "", ""}});
    EXPECT_EQ(one.substr(0, 174), empty.substr(0, 14) + le(1, 4) + empty.substr(18, 156));
    // State 0; columns 2, 3 and 4 null (status 01 in their bit pairs); the
    // values with a 1-byte prefix.
    EXPECT_EQ(one.substr(174), std::string("\x00\x50\x01\x01" "1" "\x01" "A", 7));
}

TEST(PacketWriters, EveryWrittenTableReadsBackIdentically) {
    const std::vector<Row> rows = {
        {"0", "\xb4\xed\xce\xf3", "Error", "", ""},
        {"tfx.caption", "", "", "", ""},
        {std::string(250, 'k'), std::string(250, '\xb1'), "a&b<c>\"d'e", "line1\r\nline2\ttab", " padded "},
        {"\x01\x1f\x7f", "\xff\xfe", "&amp;", "]]>", "<!--"},
    };
    for (bool xml : {false, true}) {
        SCOPED_TRACE(xml ? "XML" : "binary");
        const std::string bytes = xml ? writeXml(rows) : writeBinary(rows);
        const auto table = xml ? readXml(bytes) : readBinary(bytes);
        EXPECT_EQ(table.rows, rows);
        EXPECT_EQ(table.hasColumn, (std::array<bool, 5>{true, true, true, true, true}));
    }
}

TEST(XmlPacketWriter, WritesOneLineInThePlainForm) {
    EXPECT_EQ(writeXml({{"1", "Hello", "Hallo", "", ""}, {"2", "a\r\nb", "", "", "&\"<>"}}),
              "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
              "<FIELD attrname=\"ID\" fieldtype=\"string\" WIDTH=\"250\"/>"
              "<FIELD attrname=\"OriginString\" fieldtype=\"string\" WIDTH=\"250\"/>"
              "<FIELD attrname=\"NewString\" fieldtype=\"string\" WIDTH=\"250\"/>"
              "<FIELD attrname=\"NewString2\" fieldtype=\"string\" WIDTH=\"250\"/>"
              "<FIELD attrname=\"NewString3\" fieldtype=\"string\" WIDTH=\"250\"/>"
              "</FIELDS><PARAMS/></METADATA><ROWDATA>"
              "<ROW ID=\"1\" OriginString=\"Hello\" NewString=\"Hallo\"/>"
              "<ROW ID=\"2\" OriginString=\"a&#013;&#010;b\" NewString3=\"&amp;&quot;&lt;&gt;\"/>"
              "</ROWDATA></DATAPACKET>");
}

TEST(XmlPacketReader, AcceptsTheFormsEnginesWrite) {
    const std::string head = "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    const std::string fields =
        "<FIELD attrname=\"ID\" fieldtype=\"string\" WIDTH=\"250\" required=\"true\"/>"
        "<FIELD fieldname=\"Origin\" attrname=\"OriginString\" fieldtype=\"string\" WIDTH=\"250\" readonly=\"true\"/>"
        "<FIELD attrname=\"Extra\" fieldtype=\"i4\"/>"
        "<FIELD attrname=\"NewString\" fieldtype=\"string\" SUBTYPE=\"Text\" WIDTH=\"250\"/>";
    struct Case {
        const char* what;
        std::string xml;
        std::vector<Row> expected;
    };
    const Case cases[] = {
        {"change log: superseded and deleted rows are left out",
         head + fields +
             "</FIELDS><PARAMS CHANGE_LOG=\"1 0 4 2 1 8 3 0 2\" LCID=\"2052\"/></METADATA><ROWDATA>"
             "<ROW RowState=\"5\" ID=\"1\" OriginString=\"m1\"/>"
             "<ROW RowState=\"8\" ID=\"1\" OriginString=\"m1\" NewString=\"one\"/>"
             "<ROW RowState=\"2\" ID=\"2\" OriginString=\"m2\"/>"
             "<ROW RowState=\"4\" Extra=\"9\" NewString=\"b\" ID=\"tfb\"/>"
             "<ROW ID=\"3\"/>"
             "</ROWDATA></DATAPACKET>",
         {{"1", "m1", "one", "", ""}, {"tfb", "", "b", "", ""}, {"3", "", "", "", ""}}},
        {"GBK bytes without a declared encoding, references, literal line ends",
         head + fields + "</FIELDS><PARAMS/></METADATA><ROWDATA>\n  <ROW ID='k' OriginString=\"" + kGbk +
             "&#13;&#xA;&apos;\" NewString=\"a\r\nb\tc\"/>\n</ROWDATA></DATAPACKET>\n",
         {{"k", kGbk + "\r\n'", "a b c", "", ""}}},
        {"UTF-8 declared: converted to the ANSI code page",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- c --><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields +
             "</FIELDS><PARAMS/></METADATA><ROWDATA><ROW ID=\"u\" OriginString=\"\xe5\x91\x98\xe5\xb7\xa5\" "
             "NewString=\"&#x4e0a;&#29677;\"/></ROWDATA></DATAPACKET>",
         {{"u", "\xd4\xb1\xb9\xa4", "\xc9\xcf\xb0\xe0", "", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto table = readXml(c.xml);
        EXPECT_EQ(table.rows, c.expected);
        EXPECT_EQ(table.hasColumn, (std::array<bool, 5>{true, true, true, false, false}));
    }
}

TEST(XmlPacketReader, RefusesWhatIsNotACompletePacketWithAnID) {
    const std::string good = writeXml({{"1", "a", "", "", ""}});
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"a binary packet", writeBinary({{"1", "a", "", "", ""}})},
        {"other XML", "<?xml version=\"1.0\"?><html><body/></html>"},
        {"cut short", good.substr(0, good.size() - 20)},
        {"cut inside a tag", good.substr(0, good.find("<ROW ") + 8)},
        {"mismatched end tag", "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"ID\"/></METADATA></FIELDS></DATAPACKET>"},
        {"no ID field", "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"Key\"/></FIELDS></METADATA></DATAPACKET>"},
        {"unknown entity",
         "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"ID\"/></FIELDS></METADATA><ROWDATA><ROW ID=\"&nbsp;\"/>"
         "</ROWDATA></DATAPACKET>"},
        {"bad row state",
         "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"ID\"/></FIELDS></METADATA><ROWDATA><ROW RowState=\"x\"/>"
         "</ROWDATA></DATAPACKET>"},
        {"two packets", good + good},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(readXml(c.text), qx::Error) << c.what;
    }
}

}  // namespace
