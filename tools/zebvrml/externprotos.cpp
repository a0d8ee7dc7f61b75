// --resolve-externprotos: EXTERNPROTOs implemented by PROTOs of local files.
#include <cstdlib>
#include <cstring>
#include <string>

#include "tool.h"

namespace {

// Files read at most while resolving, so that files naming each other
// cannot keep the resolver busy for ever.
constexpr int kMaxFileReads = 64;

std::string folder_of(const char *path) {
    if (!path) return "";
    std::string p(path);
    size_t slash = p.find_last_of("/\\");
    return slash == std::string::npos ? "" : p.substr(0, slash + 1);
}

bool is_absolute(const std::string &path) {
    return !path.empty() && (path[0] == '/' || path[0] == '\\' ||
                             (path.size() > 1 && path[1] == ':'));
}

// Splits a url into a local file path and a PROTO name; false for urls that
// do not name a local file (a scheme other than "file:", or no file part).
bool local_url(const char *url, const std::string &folder, const char *ownname,
               std::string &file, std::string &name) {
    std::string u(url ? url : "");
    if (u.compare(0, 5, "file:") == 0) {
        u.erase(0, 5);
        if (u.compare(0, 2, "//") == 0) u.erase(0, 2);
    } else {
        size_t colon = u.find(':');
        size_t slash = u.find_first_of("/\\");
        // "c:/..." is a drive, "http:..." or "urn:..." a scheme.
        if (colon != std::string::npos && colon != 1 && (slash == std::string::npos || colon < slash))
            return false;
    }
    size_t hash = u.find('#');
    name = hash == std::string::npos ? std::string(ownname ? ownname : "") : u.substr(hash + 1);
    file = u.substr(0, hash);
    if (file.empty() || name.empty()) return false;
    if (!is_absolute(file)) file = folder + file;
    return true;
}

// Reads the file into a new scope and, when it declares name, wires ext to
// it there. True when wired.
bool wire_from_file(vrml_context *ctx, vrml_externproto *ext, const std::string &file,
                    const std::string &name) {
    vrml_stream in;
    std::memset(&in, 0, sizeof in);
    if (zeb_initfilename(&in, file.c_str(), "r") < 0) return false;
    int id = vrml_newscope(ctx);
    if (id < 0 || vrml_pushscopeidx(ctx, id) < 0) {
        in.stream_close(&in);
        return false;
    }
    // Declarations read from the file record its folder as their location.
    char savedbase[sizeof ctx->baselocation];
    std::memcpy(savedbase, ctx->baselocation, sizeof savedbase);
    std::string base = folder_of(file.c_str());
    if (base.size() < sizeof ctx->baselocation) {
        std::memset(ctx->baselocation, 0, sizeof ctx->baselocation);
        std::memcpy(ctx->baselocation, base.data(), base.size());
    }
    vrml_stream *savedin = ctx->in;
    ctx->in = &in;
    vrml_mfnode nodes;
    std::memset(&nodes, 0, sizeof nodes);
    bool wired = false;
    if (vrml_loadFile(ctx, &nodes) >= 0) {
        int proto = vrml_findnode(ctx->templates, name.c_str());
        vrml_nodetemplate *t = vrml_gettemplateentry(ctx->templates, proto);
        if (proto >= VRML_BUILTIN_COUNT && t && std::strcmp(t->name, "Script") != 0 && !t->external &&
            t->reserved != VRML_TEMPLATE_UNKNOWNTYPE) {
            ext->implementation = proto;
            vrml_wireEPtoP(ctx, ext);
            wired = true;
        }
    }
    ctx->in = savedin;
    std::memcpy(ctx->baselocation, savedbase, sizeof savedbase);
    vrml_popscope(ctx);
    in.stream_close(&in);
    // The file's own top-level nodes stay with the scene; only the list goes.
    for (vrml_listitem *it = nodes.nodes.first, *next; it; it = next) {
        next = it->next;
        std::free(it->data);
        std::free(it);
    }
    return wired;
}

}  // namespace

int tool_resolve_externprotos(vrml_context *ctx, const char *worldpath) {
    const std::string worldfolder = folder_of(worldpath);
    int reads = 0, resolved = 0;
    // Records appended while resolving (EXTERNPROTOs of the files read) are
    // resolved in turn.
    for (vrml_listitem *it = ctx->externprotos.first; it; it = it->next) {
        auto *ext = static_cast<vrml_externproto *>(it->data);
        if (!ext || !ext->nodetemplate) continue;
        const char *ownname = ext->nodetemplate->name;
        const std::string folder = ext->location ? std::string(ext->location) : worldfolder;
        const vrml_mfarray *urls = ext->url ? &ext->url->mfarray : nullptr;
        auto **texts = urls ? static_cast<char **>(urls->values) : nullptr;
        bool done = false;
        for (int32_t u = 0; texts && u < urls->count && !done; ++u) {
            std::string file, name;
            if (!local_url(texts[u], folder, ownname, file, name)) continue;
            if (reads >= kMaxFileReads) break;
            ++reads;
            done = wire_from_file(ctx, ext, file, name);
        }
        if (done) ++resolved;
        else tool_problem("cannot resolve EXTERNPROTO %s", ownname ? ownname : "");
    }
    return resolved;
}
