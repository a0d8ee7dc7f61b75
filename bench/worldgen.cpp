// Deterministic benchmark worlds.
//
//   worldgen mesh MEGABYTES OUT   Transforms with IndexedFaceSet meshes, shared
//                                 materials (DEF/USE), TimeSensor and
//                                 PositionInterpolator pairs joined by ROUTEs
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
        std::fprintf(stderr, "usage: worldgen mesh|defs|routes|protos|nesting N OUT\n");
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
