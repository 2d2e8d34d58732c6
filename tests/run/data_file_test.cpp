// Tests for the data file's name, its text and writing it.
#include "run/data_file.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/error.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {
namespace {

using fixtures::TempDir;
constexpr auto readAll = fixtures::readFile;

TEST(DataFile, NameRecordsTheTextsAsTypedAndTheFlags) {
    Params p;
    EXPECT_EQ(makeDataFileName(p, kDefaultLabel), "murData_untitle_w50x50_c20000_r100_ag10_s0");
    p.firstOut = true;
    p.sameStart = true;
    p.agents = "2.5";
    p.seed = " 7";
    EXPECT_EQ(makeDataFileName(p, "net"), "murData_net_w50x50_c20000_r100_ag2.5_fOut_samStart_s 7");
    p.lastOut = true;
    p.sameStart = false;
    EXPECT_EQ(makeDataFileName(p, "x"), "murData_x_w50x50_c20000_r100_ag2.5_lOut_s 7");
}

TEST(DataFile, WritesHeaderAndOneCrlfLinePerRun) {
    Params p;
    p.runs = "3";
    SimState s = fixtures::allocatedState(p);
    s.runStats[0] = {0, 812, 20001, 10};
    s.runStats[1] = {1, 20000, 20001, 0};
    s.runStats[2] = {2, 3551, 20001, 100.0 / 3.0};
    s.runStats[3] = {9, 9, 9, 9};  // the spare row is never written
    s.dataFileName = makeDataFileName(p, kDefaultLabel);
    TempDir dir;
    const auto path = writeDataFile(s, dir.path(), ',');
    EXPECT_EQ(path.filename(), "murData_untitle_w50x50_c20000_r3_ag10_s0.xls");
    EXPECT_EQ(readAll(path),
              "No.Run\tFirst\tLast\tAg. on target %\r\n"
              "0\t812\t20001\t10\r\n"
              "1\t20000\t20001\t0\r\n"
              "2\t3551\t20001\t33,3333333333333\r\n");
    // Writing again keeps the earlier file and takes the next free name, as it does when only
    // a record of that name is there.
    const std::string first = readAll(path);
    s.runCount = 1;
    const auto second = writeDataFile(s, dir.path(), '.');
    EXPECT_EQ(second.filename(), "murData_untitle_w50x50_c20000_r3_ag10_s0_2.xls");
    EXPECT_EQ(readAll(second), "No.Run\tFirst\tLast\tAg. on target %\r\n0\t812\t20001\t10\r\n");
    EXPECT_EQ(readAll(path), first);
    std::ofstream(dir.path() / "murData_untitle_w50x50_c20000_r3_ag10_s0_3.toml") << "";
    EXPECT_EQ(writeDataFile(s, dir.path(), '.').filename(),
              "murData_untitle_w50x50_c20000_r3_ag10_s0_4.xls");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              4);
}

TEST(DataFile, ACantWriteErrorNamesTheFileAndTheReason) {
    SimState s = fixtures::allocatedState(Params{});
    s.dataFileName = "murData_ok";
    TempDir dir;
    try {
        writeDataFile(s, dir.path() / "missing", '.');
        FAIL() << "wrote into a missing folder";
    } catch (const Error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("murData_ok.xls"), std::string::npos) << message;
        EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;
    }
    s.dataFileName = "murData_a/b";
    EXPECT_THROW(writeDataFile(s, dir.path(), '.'), Error);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// A killed program may leave its temporary file behind, and two programs may write into one
// folder: neither may stop a write, and a write that fails leaves nothing behind.
TEST(DataFile, TemporaryFilesAreUniqueAndNeverLeftAfterAFailure) {
    SimState s = fixtures::allocatedState(Params{});
    s.dataFileName = "murData_t";
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "murData_t.xls.part");
    EXPECT_EQ(writeDataFile(s, dir.path(), '.'), dir.path() / "murData_t.xls");
    std::filesystem::remove(dir.path() / "murData_t.xls");
    // A folder in the way makes the last step fail; a file there refuses a write that may
    // not replace it, and keeps it as it was.
    std::filesystem::create_directories(dir.path() / "murData_t.xls" / "x");
    EXPECT_THROW(writeFileAtomically(dir.path(), "murData_t.xls", "text"), Error);
    std::ofstream(dir.path() / "kept.toml") << "earlier";
    EXPECT_THROW(writeFileAtomically(dir.path(), "kept.toml", "later", false), FileExists);
    EXPECT_EQ(readAll(dir.path() / "kept.toml"), "earlier");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              3);
}

TEST(DataFile, ANameThatCannotBeWrittenIsFoundBeforehand) {
    SimState s = fixtures::allocatedState(Params{});
    TempDir dir;
    s.dataFileName = "murData_a/b";
    EXPECT_TRUE(fixtures::throwsError([&] { checkDataFileWritable(s, dir.path()); }, "\"/\""));
    s.dataFileName = "murData_" + std::string(250, 'x');
    EXPECT_TRUE(
        fixtures::throwsError([&] { checkDataFileWritable(s, dir.path()); }, "shorter label"));
    s.dataFileName = "murData_ok";
    EXPECT_TRUE(fixtures::throwsError([&] { checkDataFileWritable(s, dir.path() / "no"); },
                                      "No such file or directory"));
    checkDataFileWritable(s, dir.path());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(DataFile, TemporaryFoldersOfTestsAreTheirOwn) {
    TempDir a;
    TempDir b;
    EXPECT_NE(a.path(), b.path());
    EXPECT_TRUE(std::filesystem::is_directory(a.path()));
}

TEST(DataFile, ReportSaysWhenTheDataAreIncomplete) {
    EXPECT_EQ(dataFileReport("f.xls", true),
              "Simulation finished. Data file has bee saved!\r\nf.xls");
    EXPECT_EQ(dataFileReport("f.xls", false),
              "Simulation finished. Data file has bee saved!\r\nSince you have interrupted the "
              "simulation, saved data are not completed!\r\nf.xls");
}

}  // namespace
}  // namespace murelta
