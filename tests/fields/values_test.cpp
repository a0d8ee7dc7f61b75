#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "fields/field_internal.h"
#include "support/transcript.h"

namespace {

// Element kind (i int32, f float, d double, s string, x image byte, n node)
// and element width of each type, in type code order.
const char kKinds[] = "iffxinfsdffffinfsff", kWidths[] = "1311114112331114123";
void (*const kCopies[])(vrml_field *, const vrml_field *) = {
    vrml_copy_SFBool, vrml_copy_SFColor, vrml_copy_SFFloat, vrml_copy_SFImage, vrml_copy_SFInt32,
    vrml_copy_SFNode, vrml_copy_SFRotation, vrml_copy_SFString, vrml_copy_SFTime, vrml_copy_SFVec2f,
    vrml_copy_SFVec3f, vrml_copy_MFColor, vrml_copy_MFFloat, vrml_copy_MFInt32, vrml_copy_MFNode,
    vrml_copy_MFRotation, vrml_copy_MFString, vrml_copy_MFVec2f, vrml_copy_MFVec3f};

std::string element(char kind, const void *at, int i) {
    char text[40];
    if (kind == 's' || kind == 'n') {
        const void *p = static_cast<const void *const *>(at)[i];
        auto *ref = static_cast<const vrml_field *>(p);
        if (kind == 's') return p ? quote(static_cast<const char *>(p)) : "null";
        return ref ? std::to_string(ref->sfnode.defref) + (ref->sfnode.node ? ":node" : ":NULL") : "none";
    }
    if (kind == 'i') return std::to_string(static_cast<const int32_t *>(at)[i]);
    if (kind == 'x') std::snprintf(text, sizeof text, "%02x", static_cast<const unsigned char *>(at)[i]);
    else if (kind == 'd') std::snprintf(text, sizeof text, "%.17g", static_cast<const double *>(at)[i]);
    else std::snprintf(text, sizeof text, "%.9g", static_cast<double>(static_cast<const float *>(at)[i]));
    return text;
}

// A value in full: every element; the count of an array (and of its staging
// list when not empty) and an image's numbers before its bytes in brackets.
std::string show(int type, const vrml_field *v) {
    if (!v) return "null";
    const void *at = type == VRML_SFNODE ? static_cast<const void *>(&v) : v;
    int n = kWidths[type] - '0';
    std::string out;
    std::vector<void *> nodes;
    const vrml_sfimage &im = v->sfimage;
    if (type == VRML_SFIMAGE)
        out = std::to_string(im.width) + " " + std::to_string(im.height) + " " + std::to_string(im.components) +
              (im.pixels ? " [" : " none ["),
        at = im.pixels, n = im.pixels ? im.width * im.height * im.components : 0;
    if (type == VRML_MFNODE) {
        for (vrml_listitem *it = v->mfnode.nodes.first; it; it = it->next) nodes.push_back(it->data);
        at = nodes.data(), n = static_cast<int>(nodes.size());
    } else if (type >= VRML_MFCOLOR) {
        at = v->mfarray.values, n *= v->mfarray.count;
    }
    if (type >= VRML_MFCOLOR) out = std::to_string(v->mfarray.count) + " [";
    for (int i = 0; i < n; ++i) out += (out.empty() ? "" : " ") + element(kKinds[type], at, i);
    if (type == VRML_SFIMAGE || type >= VRML_MFCOLOR) out += " ]";
    if (type >= VRML_MFCOLOR && type != VRML_MFNODE && v->mfarray.staging.count)
        out += " staging " + std::to_string(v->mfarray.staging.count);
    return out;
}

// Whether two values share memory that each must own.
bool shares(int type, const vrml_field *a, const vrml_field *b) {
    auto same = [](const void *x, const void *y) { return x && x == y; };
    if (type == VRML_SFSTRING) return same(a->sfstring, b->sfstring);
    if (type == VRML_SFIMAGE) return same(a->sfimage.pixels, b->sfimage.pixels);
    if (type < VRML_MFCOLOR || type == VRML_MFNODE) return false;
    return same(a->mfarray.values, b->mfarray.values) ||
           (type == VRML_MFSTRING && a->mfarray.count && b->mfarray.count &&
            same(*static_cast<char **>(a->mfarray.values), *static_cast<char **>(b->mfarray.values)));
}

// One line of tests/data/fields/values.txt: an operation, a type and texts
// of values; gives the result, the value made and the problems logged.
std::string run_values(const Words &w) {
    if (w[0] == "names") {  // the type and class names, then the field codes' messages
        std::string out;
        for (const char *name : vrml_fieldnames) out += std::string(out.empty() ? "" : " ") + name;
        for (int code = 0xff; code <= 0x414; code += code == 0x101 ? 0x2fe : 1)  // 0xff-0x101, 0x3ff-0x414
            out += " " + (vrml_fielderrortext(code) ? quote(vrml_fielderrortext(code)) : "null");
        return out;
    }
    int type = static_cast<int>(std::find(vrml_fieldnames, vrml_fieldnames + VRML_FIELDTYPE_COUNT, w[1]) - vrml_fieldnames);
    LogCapture log;
    BareContext c(w.size() > 2 ? w[2] : "");
    vrml_field *v = vrml_allocfield(type), *made = nullptr;
    std::string out;
    int r = 0;
    if (w[0] == "read") {
        out = fatal_or([&] { r = vrml_parsefield[type](c.get(), w[1] == "MFNode" && w.size() > 3 ? nullptr : v); });
        out = (out.empty() ? std::to_string(r) + " " + show(type, v) : out) + " rest " + quote(c.in.rest());
    } else if (w[0] == "blank") {  // a duplicate of a blank value is blank
        made = vrml_dupfield[type](nullptr, v);
        out = std::memcmp(made, v, vrml_fieldsize(type)) == 0 ? "blank" : show(type, made);
    } else if (w[0] == "set" || w[0] == "keep") {  // w[2]: the slot's value ("-": none, "self": the source)
        BareContext source_text(w[3]);
        vrml_field *source = vrml_allocfield(type);
        vrml_parsefield[type](source_text.get(), source);
        made = w[2] == "-" ? nullptr : w[2] == "self" ? source : v;
        if (made == v) vrml_parsefield[type](c.get(), v);
        auto array = [type](vrml_field *f) {
            return f && type >= VRML_MFCOLOR && type != VRML_MFNODE ? f->mfarray.values : nullptr;
        };
        vrml_field *before = made;
        void *values = array(made);
        vrml_setfield[type](&made, source);
        if (w[0] == "keep") out = made == before && array(made) == values ? "kept " : "moved ";
        out += (source != made && shares(type, made, source) ? "shared " : "") + show(type, made);
        if (before != v) vrml_freefielddata[type](v);  // else released or kept by the assignment
        if (source != made) vrml_freefielddata[type](source);
        v = nullptr;
    } else {
        vrml_parsefield[type](c.get(), v);
        if (w[0] == "copyself") kCopies[type](v, v);
        if (w[0] == "dup") made = vrml_dupfield[type](c.get(), v);
        if (made && shares(type, v, made)) out = "shared ";
        if (made) vrml_freefielddata[type](v), v = nullptr;  // the copy must not depend on it
        out += show(type, made ? made : v);
    }
    vrml_freefielddata[type](v);
    vrml_freefielddata[type](made);
    return out + logged(log);
}

TEST(Fields, OperationsGiveTheTabledValues) { check_transcript("fields/values.txt", run_values); }

// A node list of references to stand-in nodes i (defref i), or none when i
// is 0 and no record when it is negative.
vrml_field *node_list(std::initializer_list<int> nodes) {
    static int storage[8];
    vrml_field *list = vrml_allocfield(VRML_MFNODE);
    for (int i : nodes) {
        vrml_field *ref = i < 0 ? nullptr : vrml_allocfield(VRML_SFNODE);
        if (i > 0) ref->sfnode.defref = i, ref->sfnode.node = reinterpret_cast<vrml_node *>(&storage[i]);
        vrml_listappend(&list->mfnode.nodes, ref);
        ++list->mfnode.count;
    }
    return list;
}

// Node values: references are copied or shared, never the nodes; a USE
// whose DEF entry the current table lacks cannot be duplicated.
TEST(Fields, NodeListsShareNodesAndDropWhatCannotBeDuplicated) {
    LogCapture log;
    BareContext c("\n\nx");
    EXPECT_EQ(vrml_dup_SFNode(nullptr, nullptr), nullptr);
    c.in.get()->stream_getc(c.in.get());
    EXPECT_EQ(vrml_dup_SFNode(c.get(), nullptr), nullptr);
    vrml_field *lists[] = {node_list({0, 0, -1, 1}), node_list({1}), node_list({2, 3, 4}), node_list({5, 6, 7}),
                           node_list({1, 2})};
    vrml_field *dup = vrml_dup_MFNode(c.get(), lists[0]), *slot = lists[1];
    EXPECT_EQ(show(VRML_MFNODE, dup), "2 [ 0:NULL 0:NULL ]");
    EXPECT_EQ(log.texts(), std::vector<std::string>({"dupSFN(-1): Duping NULL", "dupSFN(2): Duping NULL",
                                                     "dupSFN(2): Duping NULL", "DUPSFN FATAL: @line 2"}));
    vrml_set_MFNode(&slot, lists[2]);
    EXPECT_EQ(show(VRML_MFNODE, slot), "3 [ 2:node 3:node 4:node ]");
    EXPECT_NE(slot->mfnode.nodes.first->data, lists[2]->mfnode.nodes.first->data);
    EXPECT_EQ(static_cast<vrml_field *>(slot->mfnode.nodes.last->data)->sfnode.node,
              static_cast<vrml_field *>(lists[2]->mfnode.nodes.last->data)->sfnode.node);
    vrml_field *kept = slot;
    vrml_set_MFNode(&slot, lists[3]);
    EXPECT_EQ(slot, kept);
    vrml_copy_MFNode(lists[4], lists[3]);  // as far as the shorter list goes
    EXPECT_EQ(show(VRML_MFNODE, lists[4]), "2 [ 5:node 6:node ]");
    for (vrml_field *v : {lists[0], lists[2], lists[3], lists[4], dup, slot}) vrml_free_MFNode(v);
    for (int t = 0; t < VRML_FIELDTYPE_COUNT; ++t) vrml_freefielddata[t](nullptr);
    vrml_resetlist(nullptr);
}

}  // namespace
