// The command-line program, run as a user runs it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "support/command_run.h"
#include "support/corpus.h"

namespace {

using testsupport::CommandRun;

CommandRun run(const std::string& arguments) { return testsupport::run_command(std::string(VEXALITH_CONVERT) + " " + arguments); }

std::string corpus(const std::string& name) { return testsupport::shell_quote(testsupport::corpus_plain_path(name)); }

std::string line_of(const std::string& text, const std::string& key)
{
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key + ": ", 0) == 0)
            return line.substr(key.size() + 2);
    return "<missing " + key + ">";
}

TEST(InfoCommand, ReportsASmallMoleculeFile)
{
    const CommandRun r = run("info " + corpus("pyobjcryst_caffeine.cif"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(line_of(r.out, "Kind"), "small molecule");
    EXPECT_EQ(line_of(r.out, "Structures"), "1");
    EXPECT_EQ(line_of(r.out, "Cell"), "14.9372 14.9372 6.898 90 90 120");
    EXPECT_EQ(line_of(r.out, "AtomsRead"), "24");
    EXPECT_EQ(line_of(r.out, "AtomCount"), "24");
    EXPECT_EQ(line_of(r.out, "MaxPart"), "0");
    EXPECT_EQ(line_of(r.out, "PresentElements"), "C N O H");
    EXPECT_NEAR(std::stod(line_of(r.out, "OrthoMatrix1")), 14.9372, 1e-12);
    EXPECT_NEAR(std::stod(line_of(r.out, "OrthoMatrix2").substr(2)), 12.935994661408917, 1e-12);
}

TEST(InfoCommand, ListsTheAtomsAsTabSeparatedRows)
{
    const CommandRun r = run("info --atoms " + corpus("ccd_HOH.cif"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(line_of(r.out, "Kind"), "chemical component");
    std::istringstream in(r.out);
    int rows = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.find('\t') == std::string::npos)
            continue;
        ++rows;
        int fields = 1;
        for (char c : line)
            fields += c == '\t';
        EXPECT_EQ(fields, 8) << line;
        EXPECT_EQ(line.rfind(std::to_string(rows) + "\t", 0), 0u) << line;
    }
    EXPECT_EQ(rows, 3);
}

TEST(InfoCommand, SelectsAStructure)
{
    const CommandRun r = run("info --structure 3 " + corpus("openbabel_hashizume.cif"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(line_of(r.out, "Structures"), "20");
    EXPECT_EQ(line_of(r.out, "Structure"), "3");
    EXPECT_EQ(line_of(r.out, "Cell").substr(0, 6), "8.7817");

    const CommandRun beyond = run("info --structure 21 " + corpus("openbabel_hashizume.cif"));
    EXPECT_NE(beyond.status, 0);
    EXPECT_NE(beyond.err.find("there is no structure 21"), std::string::npos) << beyond.err;
}

TEST(InfoCommand, ErrorsExitNonZeroWithOneLine)
{
    const CommandRun bad = run("info " + corpus("refmac_ARO.cif"));
    EXPECT_EQ(bad.status, 3);
    EXPECT_EQ(bad.err, "vexalith-convert: " + testsupport::corpus_plain_path("refmac_ARO.cif") +
                           ":39: 'NaN' is not a valid floating point value\n");
    const CommandRun missing = run("info /nonexistent/file.cif");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("/nonexistent/file.cif: cannot open the file"), std::string::npos) << missing.err;
    const CommandRun folder = run("info /tmp");
    EXPECT_EQ(folder.status, 2);
    const CommandRun usage = run("info");
    EXPECT_NE(usage.status, 0);
}

TEST(InfoCommand, NoAtomsIsReportedNotFailed)
{
    const CommandRun r = run("info " + corpus("pymol_chem_comp_bond-top100.cif"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(line_of(r.out, "Kind"), "none");
    EXPECT_EQ(line_of(r.out, "AtomCount"), "0");
    EXPECT_EQ(line_of(r.out, "Note"), "no atoms found, sorry");
}

}  // namespace
