// The self-finalising SQLite statement: a connection with a statement left
// open cannot close, so every statement must be gone when its owner is.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "host/common/sqlite_statement.h"

namespace {

class StatementTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK); }
    void TearDown() override { EXPECT_EQ(sqlite3_close(db), SQLITE_OK) << "a statement was left unfinalised"; }

    sqlite3* db = nullptr;
};

TEST_F(StatementTest, FinalisesWhenItGoes)
{
    {
        Statement select;
        ASSERT_TRUE(PrepareStatement(db, "SELECT 1 UNION ALL SELECT 2", &select));
        ASSERT_EQ(sqlite3_step(select.get()), SQLITE_ROW); // left in the middle of its rows
        EXPECT_EQ(sqlite3_next_stmt(db, nullptr), select.get());
    }
    EXPECT_EQ(sqlite3_next_stmt(db, nullptr), nullptr);
}

TEST_F(StatementTest, APreparationThatFailsLeavesNothingAndTellsWhy)
{
    Statement statement;
    ASSERT_TRUE(PrepareStatement(db, "SELECT 1", &statement));
    EXPECT_FALSE(PrepareStatement(db, "SELEKT 1", &statement));
    EXPECT_EQ(statement, nullptr);
    EXPECT_EQ(sqlite3_next_stmt(db, nullptr), nullptr); // the one it held is finalised too
    EXPECT_NE(std::string(sqlite3_errmsg(db)).find("syntax error"), std::string::npos) << sqlite3_errmsg(db);
}

TEST_F(StatementTest, APersistentPreparationWorksLikeAnyOther)
{
    Statement statement;
    ASSERT_TRUE(PrepareStatement(db, "SELECT ?1 * 2", &statement, SQLITE_PREPARE_PERSISTENT));
    sqlite3_bind_int(statement.get(), 1, 21);
    ASSERT_EQ(sqlite3_step(statement.get()), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement.get(), 0), 42);
}

} // namespace
