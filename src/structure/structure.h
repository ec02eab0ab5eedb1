// One structure as read from a file: the atom table, the residue table, the
// unit cell with its matrices and what kind of file it came from.  It holds
// what the file says (and what the model stages made of it: the backbone
// trace, Expand); the requests of a conversion live with the driver
// (convert/conversion_state.h) and the options with the options.
//
// Atoms are numbered from 1 in file order; slot 0 of every per-atom column
// exists and holds no atom.  Positions are stored in the scene frame
// (scene x = -Cartesian y, scene y = Cartesian z, scene z = -Cartesian x),
// in angstrom, centred on the centroid.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vexalith {

using Vec3 = std::array<long double, 3>;
using Mat3 = std::array<std::array<long double, 3>, 3>;  // [row][column]

// Position of one atom in the scene frame, plus its disorder part number
// (a non-negative whole number held as a float; 0 without a part column).
struct AtomCoordRecord {
    long double x = 0;
    long double y = 0;
    long double z = 0;
    long double part = 0;

    friend bool operator==(const AtomCoordRecord&, const AtomCoordRecord&) = default;
};

// One row of the residue table: column 1 counts the atoms of that sequence
// number; columns 2 to 4 are filled by the backbone trace.
using ResidueRow = std::array<long double, 4>;

enum class FileKind { None, SmallMolecule, Macromolecular, ChemicalComponent };

// ModelIndex for every model of an ensemble drawn together.
inline constexpr int32_t kAllModels = 0;

struct Structure {
    // Atom table, slots 0..AtomCount (slot 0 unused).
    std::vector<std::string> AtomSymbol;
    std::vector<AtomCoordRecord> AtomCoord;
    std::vector<std::string> AtomResidue;
    std::vector<int32_t> AtomSeqId;
    // The model (from 1) each atom belongs to when every model of an
    // ensemble was read, slots 0..AtomCount; empty otherwise.  Atoms of
    // different models are never joined.  0 is an atom of no one model.
    std::vector<int32_t> AtomModel;
    int32_t AtomCount = 0;
    int32_t AtomsRead = 0;
    int32_t MaxPart = 0;
    long double ModelExtent = 1.0L;
    Vec3 Centroid{0, 0, 0};

    // Residue table, rows 0..MaxSeqId.
    std::vector<ResidueRow> ResidueTable;
    int32_t MaxSeqId = 1;

    // Unit cell (angstrom, degrees) and its matrices.
    long double CellA = 1, CellB = 1, CellC = 1;
    long double CellAlpha = 90, CellBeta = 90, CellGamma = 90;
    Mat3 FracMatrix{};
    Mat3 OrthoMatrix{};

    // The number of models of the ensemble the structure belongs to (an
    // NMR file holding several models in one atom loop, told apart by
    // _atom_site.pdbx_PDB_model_num); 1 for a file without a model column.
    // A read that fails on a model or a row still tells it.
    int32_t ModelCount = 0;
    // The file it was read from (names it in messages).
    std::string FileName;
    std::vector<std::string> PresentElements;  // distinct symbols, in order of first appearance

    // Symmetry as a small-molecule file gives it: the operations' texts with
    // their lines, and the space group's names (each empty when not given).
    struct SymmetryText {
        std::string text;
        long long line = 0;
    };
    std::vector<SymmetryText> SymmetryOperations;
    std::string SpaceGroupHermannMauguin;
    std::string SpaceGroupHall;
    std::string SpaceGroupNumber;
    // The distinct sites in the cell [0, 1) when the crystal stage filled
    // the cell or a block (before the repeats on the faces); 0 otherwise.
    int32_t CellSites = 0;
    // The edges of the cells the crystal stage filled, each once, as their
    // two ends in the scene frame (empty for the asymmetric unit).
    std::vector<std::array<Vec3, 2>> CellEdges;

    // The file kind (neither: a small-molecule file).
    bool ProteinFile = false;
    bool ChemCompFile = false;
};

}  // namespace vexalith
