// The update check's rules without windows or network: the version file,
// the version comparison, the percentage, the addresses and the package
// check.
#include "update/update_rules.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include "common/error.h"
#include "support/corpus.h"
#include "update/package_check.h"
#include "update/server_address.h"

namespace vexalith::update {
namespace {

const std::string kSha = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";

TEST(VersionFile, ReadsChecksumVersionSizeAndNotes)
{
    const VersionFileContent file =
        parse_version_file("sha256 " + kSha + "\r\n1.53\r\n4711\r\nFaster reading.\r\n\r\nSTL fixed.\r\n", "v.txt");
    ASSERT_TRUE(file.sha256.has_value());
    EXPECT_EQ(*file.sha256, kSha);
    EXPECT_DOUBLE_EQ(static_cast<double>(file.version), 1.53);
    EXPECT_EQ(file.size, 4711);
    // Each line after the third becomes a CR and the line, empty ones too.
    EXPECT_EQ(file.notes, "\rFaster reading.\r\rSTL fixed.");

    // Upper-case digits are accepted and kept in lower case; the last line
    // needs no line break.
    std::string upper = kSha;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const VersionFileContent unterminated = parse_version_file("sha256 " + upper + "\n2.0\n1\nlast", "v.txt");
    EXPECT_EQ(*unterminated.sha256, kSha);
    EXPECT_EQ(unterminated.notes, "\rlast");
}

TEST(VersionFile, ThreeLinesGiveASingleCrAndAnOldFirstLineNoChecksum)
{
    for (const char* text : {"any text\n1.52\n690\n", "any text\n1.52\n690", "any text\n1.52\n690\n\n"}) {
        const VersionFileContent file = parse_version_file(text, "v.txt");
        EXPECT_EQ(file.notes, "\r") << text;
        EXPECT_FALSE(file.sha256.has_value());
        EXPECT_EQ(file.size, 690);
    }
    // The version is read without regard to the process's locale; a comma
    // is taken as the decimal separator as everywhere else.
    EXPECT_DOUBLE_EQ(static_cast<double>(parse_version_file("x\n1,5204\n0\n", "v.txt").version), 1.5204);
}

TEST(VersionFile, UnusableFilesNameTheLine)
{
    const struct {
        std::string text;
        long long line;
    } cases[] = {
        {"", 2},                         // nothing at all
        {"x\n", 2},                      // no version
        {"x\n1.52\n", 3},                // no size
        {"x\nversion 2\n690\n", 2},      // not a number
        {"x\n1.52\n69O\n", 3},           // a letter O
        {"x\n1.52\n-5\n", 3},            // negative
        {"x\n1.52\n6.9\n", 3},           // not whole
        {"sha256 abc\n1.52\n690\n", 1},  // too short a checksum
        {"sha256 " + std::string(63, 'a') + "g\n1.52\n690\n", 1},
    };
    for (const auto& c : cases) {
        try {
            parse_version_file(c.text, "version.txt");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const ConversionError& e) {
            EXPECT_EQ(e.line(), c.line) << c.text;
            EXPECT_EQ(e.file(), "version.txt");
        }
    }
}

TEST(VersionComparison, FourDecimalsAgreeAnyOtherDifferenceAsks)
{
    const long double current = 1.52L;
    EXPECT_TRUE(version_matches(1.52L, current));
    EXPECT_FALSE(version_differs(1.52L, current));
    EXPECT_TRUE(version_matches(1.5204L, current));
    EXPECT_FALSE(version_differs(1.5204L, current));
    EXPECT_TRUE(version_matches(1.5196L, current));
    for (long double other : {1.51L, 1.53L, 1.5206L, 0.1L, 15.2L}) {
        EXPECT_TRUE(version_differs(other, current)) << static_cast<double>(other);
        EXPECT_FALSE(version_matches(other, current)) << static_cast<double>(other);
    }
    EXPECT_DOUBLE_EQ(static_cast<double>(current_version_number("0.1")), 0.1);
    EXPECT_THROW(current_version_number("x"), std::invalid_argument);
}

TEST(DownloadPercentage, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(download_percentage(1, 200), 0);  // 0.5
    EXPECT_EQ(download_percentage(3, 200), 2);  // 1.5
    EXPECT_EQ(download_percentage(5, 200), 2);  // 2.5
    EXPECT_EQ(download_percentage(7, 200), 4);  // 3.5
    EXPECT_EQ(download_percentage(1, 3), 33);
    EXPECT_EQ(download_percentage(2, 3), 67);
    EXPECT_EQ(download_percentage(690, 690), 100);
    EXPECT_EQ(download_percentage(1073741823, 1073741824), 100);
}

TEST(ServerAddress, HttpsEndingInASlashOrPlainHttpOnThisMachine)
{
    EXPECT_EQ(check_base_address("https://updates.example.org/").url, QUrl("https://updates.example.org/"));
    EXPECT_TRUE(check_base_address("https://example.org/vexalith/releases/").url.isValid());
    for (const char* local : {"http://127.0.0.1:8080/", "http://[::1]:9/", "http://localhost/"})
        EXPECT_TRUE(check_base_address(local).url.isValid()) << local;

    for (const char* refused : {"http://updates.example.org/", "https://example.org/releases", "ftp://127.0.0.1/",
                                "file:///tmp/", "https://example.org/?a=/", "https:///", "not an address/"}) {
        const BaseAddress checked = check_base_address(refused);
        EXPECT_FALSE(checked.url.isValid()) << refused;
        EXPECT_TRUE(checked.problem.contains(refused)) << refused;
    }
    const BaseAddress none = check_base_address("");
    EXPECT_FALSE(none.url.isValid());
    EXPECT_TRUE(none.problem.isEmpty());
}

TEST(ServerAddress, TheEnvironmentReplacesTheBuildsAddressEvenWhenEmpty)
{
    qputenv("VEXALITH_UPDATE_URL", "http://127.0.0.1:1/");
    EXPECT_EQ(configured_base_address(), "http://127.0.0.1:1/");
    qputenv("VEXALITH_UPDATE_URL", "");
    EXPECT_EQ(configured_base_address(), "");
    qunsetenv("VEXALITH_UPDATE_URL");
}

TEST(ServerAddress, RedirectsKeepTheSchemeAndPlainHttpStaysOnThisMachine)
{
    const QUrl secure("https://updates.example.org/vexalithHome/version.txt");
    EXPECT_TRUE(redirect_allowed(secure, QUrl("https://mirror.example.net/v.txt")));
    EXPECT_FALSE(redirect_allowed(secure, QUrl("http://mirror.example.net/v.txt")));
    EXPECT_FALSE(redirect_allowed(secure, QUrl("http://127.0.0.1/v.txt")));
    EXPECT_FALSE(redirect_allowed(secure, QUrl("file:///etc/passwd")));

    const QUrl local("http://127.0.0.1:8080/v.txt");
    EXPECT_TRUE(redirect_allowed(local, QUrl("http://localhost:9090/w.txt")));
    EXPECT_FALSE(redirect_allowed(local, QUrl("http://example.org/w.txt")));
    EXPECT_FALSE(redirect_allowed(local, QUrl("https://127.0.0.1:8080/w.txt")));
}

TEST(PackageCheck, SizeAndChecksumMustBothMatch)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("vexalith.deb");
    const QByteArray bytes(100000, 'p');
    testsupport::write_file(path.toStdString(), bytes.toStdString());
    const QString sha = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();

    EXPECT_TRUE(package_matches(path, bytes.size(), sha));
    EXPECT_TRUE(package_matches(path, bytes.size(), sha.toUpper()));
    EXPECT_FALSE(package_matches(path, bytes.size() - 1, sha));
    QString other = sha;
    other[10] = other[10] == QChar('0') ? QChar('1') : QChar('0');
    EXPECT_FALSE(package_matches(path, bytes.size(), other));
    EXPECT_FALSE(package_matches(path + ".missing", bytes.size(), sha));
}

}  // namespace
}  // namespace vexalith::update
