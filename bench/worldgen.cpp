// Deterministic benchmark worlds.
//
//   worldgen mesh MEGABYTES OUT   Transforms with IndexedFaceSet meshes, shared
//                                 materials (DEF/USE), TimeSensor and
//                                 PositionInterpolator pairs joined by ROUTEs
//   worldgen shapes MEGABYTES OUT IndexedFaceSets with normals, colors and
//                                 texture coordinates, ElevationGrids and
//                                 Extrusions: other number forms and layout
//   worldgen points MEGABYTES OUT PointSets: seven-decimal coordinates and
//                                 four-decimal colors, a point a line
//   worldgen lines MEGABYTES OUT  IndexedLineSets: "%g" coordinates and
//                                 indices, long lines
//   worldgen nodes MEGABYTES OUT  Transforms of one Shape each (Appearance,
//                                 Material, a primitive): many small nodes
//   worldgen defs N OUT           N DEF names, each used once
//   worldgen routes N OUT         N ROUTEs between DEF'd nodes
//   worldgen protos N OUT         N instances of one PROTO
//   worldgen nesting N OUT        Groups nested N levels deep
//
// The same arguments always give the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Rng {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
    double unit() { return next() / 2147483648.0; }
    double real(double scale) { return (unit() * 2 - 1) * scale; }  // in (-scale, scale)
};

void mesh(FILE *f, long long bytes) {
    Rng rng;
    std::fprintf(f, "#VRML V2.0 utf8\n");
    const int kMaterials = 8;
    for (int m = 0; m < kMaterials; ++m)
        std::fprintf(f, "DEF M%d Material { diffuseColor %.3f %.3f %.3f shininess 0.4 }\n", m,
                     rng.unit(), rng.unit(), rng.unit());
    for (int i = 0; std::ftell(f) < bytes; ++i) {
        int points = 200 + rng.below(200);
        std::fprintf(f, "DEF T%d Transform {\n  translation %d 0 0\n  children [\n", i, i);
        std::fprintf(f, "    Shape {\n      appearance Appearance { material USE M%d }\n",
                     rng.below(kMaterials));
        std::fprintf(f, "      geometry IndexedFaceSet {\n        coord Coordinate { point [\n");
        for (int p = 0; p < points; ++p)
            std::fprintf(f, "          %.4f %.4f %.4f,\n", rng.unit() * 20 - 10,
                         rng.unit() * 20 - 10, rng.unit() * 20 - 10);
        std::fprintf(f, "        ] }\n        coordIndex [\n");
        for (int p = 0; p < points; ++p)
            std::fprintf(f, "          %d %d %d -1,\n", rng.below(points), rng.below(points),
                         rng.below(points));
        std::fprintf(f, "        ]\n      }\n    }\n  ]\n}\n");
        std::fprintf(f, "DEF TS%d TimeSensor { cycleInterval %d loop TRUE }\n", i, 1 + rng.below(9));
        std::fprintf(f, "DEF PI%d PositionInterpolator { key [ 0 0.5 1 ] keyValue [ 0 0 0, %d 1 0, 0 0 0 ] }\n",
                     i, i);
        std::fprintf(f, "ROUTE TS%d.fraction_changed TO PI%d.set_fraction\n", i, i);
        std::fprintf(f, "ROUTE PI%d.value_changed TO T%d.set_translation\n", i, i);
    }
}

// Other shapes and number forms than mesh: tab indentation, comments,
// six-decimal and "%g" numbers (exponents included), normals, colors,
// texture coordinates, elevation grids and extrusions.
void shapes(FILE *f, long long bytes) {
    Rng rng;
    std::fprintf(f, "#VRML V2.0 utf8\n# shapes of every kind\n");
    for (int i = 0; std::ftell(f) < bytes; ++i) {
        std::fprintf(f, "Transform {\n\ttranslation %g %g %g\n\trotation 0 1 0 %.6f\n\tchildren [\n", rng.real(100),
                     rng.real(100), rng.real(100), rng.real(3.14159));
        const int n = 100 + rng.below(300);
        switch (i % 3) {
            case 0:
                std::fprintf(f, "\t\tShape { geometry IndexedFaceSet {\n\t\t\tcoord Coordinate { point [\n");
                for (int p = 0; p < n; ++p)
                    std::fprintf(f, "\t\t\t\t%.6f %.6f %.6f,\n", rng.real(50), rng.real(50), rng.real(50));
                std::fprintf(f, "\t\t\t] }\n\t\t\tnormal Normal { vector [\n");
                for (int p = 0; p < n; ++p)
                    std::fprintf(f, "\t\t\t\t%g %g %g\n", rng.real(1), rng.real(1), rng.real(1e-3));
                std::fprintf(f, "\t\t\t] }\n\t\t\tcolor Color { color [ ");
                for (int p = 0; p < n; ++p) std::fprintf(f, "%.2f %.2f %.2f, ", rng.unit(), rng.unit(), rng.unit());
                std::fprintf(f, "] }\n\t\t\ttexCoord TextureCoordinate { point [ ");
                for (int p = 0; p < n; ++p) std::fprintf(f, "%.3f %.3f ", rng.unit(), rng.unit());
                std::fprintf(f, "] }\n\t\t\tcoordIndex [ # triangles\n");
                for (int p = 0; p < n; ++p)
                    std::fprintf(f, "\t\t\t\t%d, %d, %d, -1,\n", rng.below(n), rng.below(n), rng.below(n));
                std::fprintf(f, "\t\t\t]\n\t\t} }\n");
                break;
            case 1: {
                const int side = 10 + rng.below(20);
                std::fprintf(f, "\t\tShape { geometry ElevationGrid { xDimension %d zDimension %d xSpacing 0.5 "
                                "zSpacing 0.5\n\t\t\theight [",
                             side, side);
                for (int p = 0; p < side * side; ++p) std::fprintf(f, p % 8 ? " %.5g" : "\n\t\t\t\t%.5g", rng.real(10));
                std::fprintf(f, "\n\t\t\t]\n\t\t} }\n");
                break;
            }
            default:
                std::fprintf(f, "\t\tShape { geometry Extrusion {\n\t\t\tcrossSection [ ");
                for (int p = 0; p < 16; ++p) std::fprintf(f, "%.4f %.4f, ", rng.real(1), rng.real(1));
                std::fprintf(f, "]\n\t\t\tspine [\n");
                for (int p = 0; p < n / 4; ++p)
                    std::fprintf(f, "\t\t\t\t%e %e %e\n", rng.real(10), rng.real(10), rng.real(10));
                std::fprintf(f, "\t\t\t]\n\t\t\torientation [ ");
                for (int p = 0; p < n / 4; ++p)
                    std::fprintf(f, "%.3f %.3f %.3f %.5f, ", rng.real(1), rng.real(1), rng.real(1), rng.real(3.14159));
                std::fprintf(f, "]\n\t\t} }\n");
                break;
        }
        std::fprintf(f, "\t]\n}\n");
    }
}

void points(FILE *f, long long bytes) {
    Rng rng;
    std::fprintf(f, "#VRML V2.0 utf8\n");
    while (std::ftell(f) < bytes) {
        const int n = 500 + rng.below(3500);
        std::fprintf(f, "Shape { geometry PointSet {\n coord Coordinate { point [\n");
        for (int p = 0; p < n; ++p) std::fprintf(f, "  %.7f %.7f %.7f,\n", rng.real(1), rng.real(1), rng.real(1));
        std::fprintf(f, "] }\n color Color { color [\n");
        for (int p = 0; p < n; ++p) std::fprintf(f, "  %.4f %.4f %.4f\n", rng.unit(), rng.unit(), rng.unit());
        std::fprintf(f, "] } } }\n");
    }
}

void lines(FILE *f, long long bytes) {
    Rng rng;
    std::fprintf(f, "#VRML V2.0 utf8\n");
    while (std::ftell(f) < bytes) {
        const int n = 50 + rng.below(350);
        std::fprintf(f, "Shape { geometry IndexedLineSet { coord Coordinate { point [ ");
        for (int p = 0; p < n; ++p)
            std::fprintf(f, "%s%g %g %g", p ? ", " : "", rng.real(1e3), rng.real(1e3), rng.real(1e3));
        std::fprintf(f, " ] } coordIndex [ ");
        for (int p = 0; p < n; ++p) {
            if (p % 5) std::fprintf(f, "%d ", rng.below(n));
            else std::fputs("-1 ", f);
        }
        std::fprintf(f, "] } }\n");
    }
}

void nodes(FILE *f, long long bytes) {
    static const char *const kPrimitives[] = {"Box { size 1 2 3 }", "Sphere { radius 2.5 }",
                                              "Cone { bottomRadius 1 height 2 }", "Cylinder { radius 1 height 3 }"};
    Rng rng;
    std::fprintf(f, "#VRML V2.0 utf8\n");
    while (std::ftell(f) < bytes) {
        std::fprintf(f,
                     "Transform {\n  translation %.3f %.3f %.3f\n  scale 1 2 1\n  children [\n    Shape {\n"
                     "      appearance Appearance { material Material { diffuseColor %.2f %.2f %.2f shininess 0.5 } }\n"
                     "      geometry %s\n    }\n  ]\n}\n",
                     rng.real(100), rng.real(100), rng.real(100), rng.unit(), rng.unit(), rng.unit(),
                     kPrimitives[rng.below(4)]);
    }
}

void defs(FILE *f, long n) {
    std::fprintf(f, "#VRML V2.0 utf8\nGroup { children [\n");
    for (long i = 0; i < n; ++i) std::fprintf(f, "DEF N%ld Group {}\n", i);
    for (long i = 0; i < n; ++i) std::fprintf(f, "USE N%ld\n", i);
    std::fprintf(f, "] }\n");
}

void routes(FILE *f, long n) {
    std::fprintf(f, "#VRML V2.0 utf8\nDEF C TimeSensor { loop TRUE }\n");
    long sinks = n < 1000 ? n : 1000;
    for (long i = 0; i < sinks; ++i) std::fprintf(f, "DEF S%ld ScalarInterpolator {}\n", i);
    for (long i = 0; i < n; ++i)
        std::fprintf(f, "ROUTE C.fraction_changed TO S%ld.set_fraction\n", i % sinks);
}

void protos(FILE *f, long n) {
    std::fprintf(f,
                 "#VRML V2.0 utf8\n"
                 "PROTO Box2 [ field SFVec3f size 1 1 1 exposedField SFColor color 1 0 0 ] {\n"
                 "  Shape { appearance Appearance { material Material { diffuseColor IS color } }\n"
                 "          geometry Box { size IS size } }\n"
                 "}\n");
    for (long i = 0; i < n; ++i)
        std::fprintf(f, "Box2 { size %ld 1 1 color 0 1 0 }\n", i % 100 + 1);
}

void nesting(FILE *f, long n) {
    std::fprintf(f, "#VRML V2.0 utf8\n");
    for (long i = 0; i < n; ++i) std::fputs("Group { children [\n", f);
    std::fputs("Shape { geometry Box {} }\n", f);
    for (long i = 0; i < n; ++i) std::fputs("] }\n", f);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: worldgen mesh|shapes|points|lines|nodes|defs|routes|protos|nesting N OUT\n");
        return 2;
    }
    long n = std::strtol(argv[2], nullptr, 10);
    FILE *f = std::fopen(argv[3], "w");
    if (!f || n < 0) {
        std::fprintf(stderr, "worldgen: cannot write %s\n", argv[3]);
        return 2;
    }
    std::string kind = argv[1];
    if (kind == "mesh") mesh(f, n * 1000000ll);
    else if (kind == "shapes") shapes(f, n * 1000000ll);
    else if (kind == "points") points(f, n * 1000000ll);
    else if (kind == "lines") lines(f, n * 1000000ll);
    else if (kind == "nodes") nodes(f, n * 1000000ll);
    else if (kind == "defs") defs(f, n);
    else if (kind == "routes") routes(f, n);
    else if (kind == "protos") protos(f, n);
    else if (kind == "nesting") nesting(f, n);
    else {
        std::fprintf(stderr, "worldgen: unknown kind %s\n", argv[1]);
        return 2;
    }
    return std::fclose(f) == 0 ? 0 : 1;
}
