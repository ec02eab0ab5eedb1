// Reading must not depend on the process locale: a German locale, whose
// decimal separator is a comma, gives exactly the same model.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>

#include "structure/cif_reader.h"
#include "support/corpus.h"
#include "support/loading.h"

namespace vexalith {
namespace {

Structure read_corpus(const std::string& name)
{
    Structure model;
    ModelOptions options;
    Reporter quiet;
    testsupport::load_text(testsupport::corpus_text(name), model, options, quiet, name);
    return model;
}

class GermanLocale : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
            << "the de_DE.UTF-8 locale is missing: run scripts/install-deps.sh";
        previous_ = std::locale::global(std::locale("de_DE.UTF-8"));
    }
    void TearDown() override
    {
        std::setlocale(LC_ALL, "C");
        std::locale::global(previous_);
    }

private:
    std::locale previous_;
};

TEST_F(GermanLocale, ReadingGivesTheSameModel)
{
    ASSERT_EQ(std::localeconv()->decimal_point[0], ',');
    for (const char* name : {"pyobjcryst_paracetamol.cif", "libcifpp_1cbs.cif", "ccd_ATP.cif"}) {
        const Structure german = read_corpus(name);
        std::setlocale(LC_ALL, "C");
        const std::locale saved = std::locale::global(std::locale::classic());
        const Structure plain = read_corpus(name);
        std::setlocale(LC_ALL, "de_DE.UTF-8");
        std::locale::global(saved);
        ASSERT_GT(plain.AtomCount, 0) << name;
        EXPECT_EQ(german.AtomCount, plain.AtomCount) << name;
        EXPECT_EQ(german.AtomCoord, plain.AtomCoord) << name;
        EXPECT_EQ(german.CellA, plain.CellA) << name;
        EXPECT_EQ(german.OrthoMatrix, plain.OrthoMatrix) << name;
    }
}

}  // namespace
}  // namespace vexalith
