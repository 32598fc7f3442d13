#pragma once

#include "foundation/db/MainDB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLResultSet.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// A fresh home folder per test, with the folders the main screen makes at
// start-up, and the log kept quiet.
class DBTestHome : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_home.empty());
        pw::core::Paths::setHome(m_home);
        std::filesystem::create_directories(mainFolder());
        std::filesystem::create_directories(bookFolder());
        m_logLevel = pw::core::Log::level();
        pw::core::Log::setLevel(pw::core::LogLevel::Silent);
    }

    // Collects the log's lines instead of printing them.
    void captureLog() {
        pw::core::Log::setLevel(pw::core::LogLevel::Warning);
        pw::core::Log::setSink([this](pw::core::LogLevel, std::string_view line) { m_logLines.emplace_back(line); });
    }

    bool logged(std::string_view fragment) const {
        for (const auto& line : m_logLines)
            if (line.find(fragment) != std::string::npos)
                return true;
        return false;
    }

    void TearDown() override {
        pw::core::Log::setSink(nullptr);
        pw::core::Log::setLevel(m_logLevel);
        pw::core::Paths::setHome({});
    }

    std::filesystem::path mainFolder() const { return m_home / "Documents" / "torvane" / "main"; }
    std::filesystem::path bookFolder() const { return m_home / "Documents" / "torvane" / "book"; }

    // Columns of a table as (name, declared type in lower case), through PRAGMA
    // table_info; SQLite reports the standard type names in upper case.
    static std::vector<std::pair<std::string, std::string>> columnsOf(const std::filesystem::path& file,
                                                                      const std::string& table) {
        pw::SQLDatabase db(file.string());
        EXPECT_TRUE(db.open());
        std::vector<std::pair<std::string, std::string>> columns;
        auto rs = db.getTableSchema(table);
        EXPECT_NE(rs, nullptr);
        while (rs && rs->next()) {
            std::string type = rs->stringForColumn("type").value_or("");
            for (char& c : type)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            columns.emplace_back(rs->stringForColumn("name").value_or(""), type);
        }
        return columns;
    }

    static int64_t userVersion(const std::filesystem::path& file) {
        pw::SQLDatabase db(file.string());
        EXPECT_TRUE(db.open());
        return db.longForQuery("PRAGMA user_version");
    }

    pw::test::TempDir m_dir{"pw-db"};
    std::filesystem::path m_home{m_dir.path()};
    std::vector<std::string> m_logLines;
    pw::core::LogLevel m_logLevel{pw::core::LogLevel::Warning};
};
