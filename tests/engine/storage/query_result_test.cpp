#include <gtest/gtest.h>

#include "engine/storage/database_client.h"

namespace trevalon {
namespace {

QueryResult SampleResult() {
    return QueryResult({"Field", "Type", "numOfRecord"}, {{"msg", "mediumtext", "42"},
                                                          {std::nullopt, "", std::nullopt},
                                                          {"x", "-7", "not a number"}});
}

TEST(QueryResult, ReadsFieldsByNameIgnoringLetterCase) {
    const QueryResult result = SampleResult();
    ASSERT_EQ(result.RowCount(), 3u);
    EXPECT_EQ(result.Text(0, "Field"), "msg");
    EXPECT_EQ(result.Text(0, "field"), "msg");
    EXPECT_EQ(result.Text(0, "TYPE"), "mediumtext");
    EXPECT_EQ(result.Integer(0, "numofrecord"), 42);
    EXPECT_EQ(result.Integer(2, "Type"), -7);
    EXPECT_EQ(result.FirstField(2), "x");
}

TEST(QueryResult, NullReadsAsEmptyTextOrZeroButIsToldApartFromEmpty) {
    const QueryResult result = SampleResult();
    EXPECT_TRUE(result.IsNull(1, "Field"));
    EXPECT_EQ(result.Text(1, "Field"), "");
    EXPECT_EQ(result.Integer(1, "numOfRecord"), 0);
    EXPECT_EQ(result.FirstField(1), "");
    EXPECT_FALSE(result.IsNull(1, "Type"));
    EXPECT_EQ(result.Text(1, "Type"), "");
}

TEST(QueryResult, BadLookupsRaiseDatabaseError) {
    const QueryResult result = SampleResult();
    EXPECT_THROW(result.Text(0, "missing"), DatabaseError);
    EXPECT_THROW(result.Text(3, "Field"), DatabaseError);
    EXPECT_THROW(result.FirstField(3), DatabaseError);
    EXPECT_THROW(result.Integer(2, "numOfRecord"), DatabaseError);
    EXPECT_THROW(result.Integer(1, "Type"), DatabaseError);  // empty text is no number
    EXPECT_THROW(result.Integer(0, "Field"), DatabaseError);
}

}  // namespace
}  // namespace trevalon
