// The Python module zebvrml2: scenes and nodes over the C interface.
//
// A Scene owns one loaded context through a shared state that its Nodes
// share too, so a node keeps its scene alive; closing the scene releases the
// context and every later use of the scene or its nodes raises ValueError.
// The scene writer runs with the interpreter lock released; meanwhile the
// scene is marked busy and every other use of it raises RuntimeError (the
// library's rule: one thread at a time per scene). Everything else runs
// under the interpreter lock.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "guarded.h"

namespace py = pybind11;

namespace {


struct SceneState {
    vrml_context *ctx = nullptr;
    bool writing = false;  // the writer works on ctx without the interpreter lock
    vrml_stream in{};
    vrml_stream out{};
    bool streams = false;
    std::vector<Diagnostic> diagnostics;

    void release() {
        if (ctx) vrmlutil_unloadscene(ctx);
        ctx = nullptr;
        if (streams) in.stream_close(&in), out.stream_close(&out);
        streams = false;
    }
    ~SceneState() { release(); }
};
using State = std::shared_ptr<SceneState>;

struct Scene {
    State state;
};

struct Node {
    State state;
    vrml_node *node;
};

vrml_context *live(const State &state) {
    if (!state->ctx) throw py::value_error("operation on a released scene");
    if (state->writing) throw std::runtime_error("the scene is being written by another thread");
    return state->ctx;
}

// ---- Names of types and classes -------------------------------------------

const char *const kTypeNames[VRML_FIELDTYPE_COUNT] = {
    "SFBool",  "SFColor",    "SFFloat", "SFImage",  "SFInt32", "SFNode",   "SFRotation",
    "SFString", "SFTime",    "SFVec2f", "SFVec3f",  "MFColor", "MFFloat",  "MFInt32",
    "MFNode",  "MFRotation", "MFString", "MFVec2f", "MFVec3f"};
const char *const kClassNames[4] = {"eventIn", "eventOut", "exposedField", "field"};

const char *type_name(int type) { return type >= 0 && type < VRML_FIELDTYPE_COUNT ? kTypeNames[type] : "?"; }

// Components of one element of the numeric types (0: not numeric).
int components(int type) {
    switch (type) {
    case VRML_SFFLOAT: case VRML_MFFLOAT: case VRML_SFINT32: case VRML_MFINT32: return 1;
    case VRML_SFVEC2F: case VRML_MFVEC2F: return 2;
    case VRML_SFCOLOR: case VRML_SFVEC3F: case VRML_MFCOLOR: case VRML_MFVEC3F: return 3;
    case VRML_SFROTATION: case VRML_MFROTATION: return 4;
    default: return 0;
    }
}

bool hidden(const vrml_fieldtemplate &member) { return !member.name || member.name[0] == '#'; }

bool valued(const vrml_fieldtemplate &member) {
    return member.memberclass == VRML_EXPOSEDFIELD || member.memberclass == VRML_FIELD;
}

// ---- numpy, imported when first needed ------------------------------------

void need_numpy(const char *type, const char *field) {
    static bool present = false;
    if (present) return;
    try {
        py::module_::import("numpy");
        present = true;
    } catch (py::error_already_set &) {
        throw py::import_error(std::string("zebvrml2: the ") + type + " field '" + field +
                               "' is a numpy array, and numpy cannot be imported by this Python "
                               "(install numpy, e.g. Debian's python3-numpy)");
    }
}

// ---- Values to Python -------------------------------------------------------

py::object node_object(const State &state, vrml_node *node) {
    if (!node) return py::none();
    return py::cast(Node{state, node});
}

// A record keeps each pixel least significant byte first; Python sees the
// components in the order the hexadecimal text gives them (0xRRGGBB: R, G, B).
void swap_components(char *to, const unsigned char *from, size_t size, int components) {
    for (size_t p = 0; p + size_t(components) <= size; p += size_t(components))
        for (int c = 0; c < components; ++c) to[p + size_t(c)] = char(from[p + size_t(components - 1 - c)]);
}

py::object to_python(const State &state, int type, const vrml_field *value, const char *field) {
    static const vrml_field blank{};
    if (!value) value = &blank;
    switch (type) {
    case VRML_SFBOOL: return py::bool_(value->sfbool != 0);
    case VRML_SFINT32: return py::int_(value->sfint32);
    case VRML_SFFLOAT: return py::float_(value->sffloat);
    case VRML_SFTIME: return py::float_(value->sftime);
    case VRML_SFSTRING: return py::str(value->sfstring ? value->sfstring : "");
    case VRML_SFNODE: return node_object(state, value->sfnode.node);
    case VRML_SFCOLOR: case VRML_SFVEC2F: case VRML_SFVEC3F: case VRML_SFROTATION: {
        py::tuple t(components(type));
        for (int i = 0; i < components(type); ++i) t[i] = py::float_(value->sfrotation[i]);
        return t;
    }
    case VRML_SFIMAGE: {
        const vrml_sfimage &im = value->sfimage;
        std::string pixels(im.pixels ? size_t(im.width) * size_t(im.height) * size_t(im.components) : 0, '\0');
        swap_components(pixels.data(), im.pixels, pixels.size(), im.components);
        return py::make_tuple(im.width, im.height, im.components, py::bytes(pixels));
    }
    case VRML_MFSTRING: {
        py::list out(value->mfarray.count);
        auto *texts = static_cast<char **>(value->mfarray.values);
        for (int32_t i = 0; i < value->mfarray.count; ++i) out[i] = py::str(texts[i] ? texts[i] : "");
        return out;
    }
    case VRML_MFNODE: {
        py::list out;
        for (vrml_listitem *it = value->mfnode.nodes.first; it; it = it->next)
            if (auto *ref = static_cast<vrml_field *>(it->data); ref && ref->sfnode.node)
                out.append(node_object(state, ref->sfnode.node));
        return out;
    }
    default: break;
    }
    // The numeric lists: one copy of the record's array.
    need_numpy(type_name(type), field);
    py::ssize_t n = value->mfarray.values ? value->mfarray.count : 0;
    int k = components(type);
    if (type == VRML_MFINT32) {
        py::array_t<int32_t> a(n);
        if (n) std::memcpy(a.mutable_data(), value->mfarray.values, size_t(n) * sizeof(int32_t));
        return a;
    }
    py::array_t<float> a = k == 1 ? py::array_t<float>(n) : py::array_t<float>({n, py::ssize_t(k)});
    if (n) std::memcpy(a.mutable_data(), value->mfarray.values, size_t(n) * size_t(k) * sizeof(float));
    return a;
}

// ---- Python to values ---------------------------------------------------------

struct FieldDeleter {
    int type;
    void operator()(vrml_field *f) const {
        if (f) vrml_freefielddata[type](f);
    }
};
using Owned = std::unique_ptr<vrml_field, FieldDeleter>;

[[noreturn]] void wrong_type(const char *field, int type, const py::handle &value) {
    throw py::type_error(std::string("field '") + field + "' is " + type_name(type) + ", not " +
                         std::string(py::str(py::type::of(value).attr("__name__"))));
}

double number(const char *field, int type, const py::handle &value) {
    if (PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr()) || !PyNumber_Check(value.ptr()))
        wrong_type(field, type, value);
    double d = PyFloat_AsDouble(value.ptr());
    if (d == -1.0 && PyErr_Occurred()) throw py::error_already_set();
    return d;
}

char *copy_text(const py::handle &value) {
    Py_ssize_t n = 0;
    const char *utf8 = PyUnicode_AsUTF8AndSize(value.ptr(), &n);
    if (!utf8) throw py::error_already_set();
    if (std::strlen(utf8) != size_t(n)) throw py::value_error("a VRML string cannot hold a NUL character");
    auto *copy = static_cast<char *>(vrml_malloc(unsigned(n) + 1));
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, utf8, size_t(n) + 1);
    return copy;
}

vrml_node *node_of(const State &state, const char *field, int type, const py::handle &value) {
    if (!py::isinstance<Node>(value)) wrong_type(field, type, value);
    const Node &node = value.cast<const Node &>();
    if (node.state != state) throw py::value_error(std::string("field '") + field + "': the node belongs to another scene");
    live(node.state);
    return node.node;
}

// A sequence other than a string, as a list.
py::list sequence(const char *field, int type, const py::handle &value) {
    if (PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr()) || !PySequence_Check(value.ptr()))
        wrong_type(field, type, value);
    return py::list(py::reinterpret_borrow<py::object>(value));
}

[[noreturn]] void out_of_range(const char *field) {
    throw py::value_error(std::string("field '") + field + "': a value is outside the 32-bit range");
}

// Fills a numeric list record from anything numpy takes as an array of
// numbers shaped (n,) or (n, k); integers only for MFInt32.
void mf_numbers(const char *field, int type, const py::handle &value, vrml_field &f) {
    need_numpy(type_name(type), field);
    if (PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr())) wrong_type(field, type, value);
    py::array a = py::module_::import("numpy").attr("asarray")(value);
    char kind = a.dtype().kind();
    bool integral = kind == 'i' || kind == 'u';
    if (a.size() && !integral && (kind != 'f' || type == VRML_MFINT32))
        throw py::type_error(std::string("field '") + field + "' is " + type_name(type) + ", not an array of " +
                             std::string(py::str(a.dtype())));
    int k = components(type);
    bool shaped = a.size() == 0 || (k == 1 ? a.ndim() == 1 : a.ndim() == 2 && a.shape(1) == k);
    if (!shaped)
        throw py::value_error(std::string("field '") + field + "' is " + type_name(type) + ": shape " +
                              (k == 1 ? "(n,)" : "(n, " + std::to_string(k) + ")") + " expected, not " +
                              std::string(py::str(a.attr("shape"))));
    py::ssize_t n = a.size() / k;
    if (n > INT32_MAX / 16) throw py::value_error(std::string("field '") + field + "': too many elements");
    if (n == 0) return;
    f.mfarray.values = vrml_malloc(unsigned(n * k * 4));
    if (!f.mfarray.values) throw std::bad_alloc();
    if (type == VRML_MFINT32) {
        auto *out = static_cast<int32_t *>(f.mfarray.values);
        if (kind == 'u' && a.dtype().itemsize() == 8) {
            auto big = py::array_t<uint64_t, py::array::c_style | py::array::forcecast>::ensure(a);
            for (py::ssize_t i = 0; i < n; ++i)
                if (big.data()[i] > uint64_t(INT32_MAX)) out_of_range(field);
        }
        auto wide = py::array_t<int64_t, py::array::c_style | py::array::forcecast>::ensure(a);
        for (py::ssize_t i = 0; i < n; ++i) {
            int64_t v = wide.data()[i];
            if (v < INT32_MIN || v > INT32_MAX) out_of_range(field);
            out[i] = int32_t(v);
        }
    } else {
        auto values = py::array_t<float, py::array::c_style | py::array::forcecast>::ensure(a);
        std::memcpy(f.mfarray.values, values.data(), size_t(n) * size_t(k) * sizeof(float));
    }
    f.mfarray.count = int32_t(n);
}

Owned from_python(const State &state, int type, const py::handle &value, const char *field) {
    Owned out(vrml_allocfield(type), FieldDeleter{type});
    if (!out) throw std::bad_alloc();
    vrml_field &f = *out;
    switch (type) {
    case VRML_SFBOOL:
        if (!PyBool_Check(value.ptr())) wrong_type(field, type, value);
        f.sfbool = value.ptr() == Py_True;
        break;
    case VRML_SFINT32: {
        if (!PyLong_Check(value.ptr()) || PyBool_Check(value.ptr())) wrong_type(field, type, value);
        int overflow = 0;
        long long v = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
        if (overflow || v < INT32_MIN || v > INT32_MAX) out_of_range(field);
        f.sfint32 = int32_t(v);
        break;
    }
    case VRML_SFFLOAT: f.sffloat = float(number(field, type, value)); break;
    case VRML_SFTIME: f.sftime = number(field, type, value); break;
    case VRML_SFSTRING:
        if (!PyUnicode_Check(value.ptr())) wrong_type(field, type, value);
        f.sfstring = copy_text(value);
        break;
    case VRML_SFNODE:
        f.sfnode.node = value.is_none() ? nullptr : node_of(state, field, type, value);
        break;
    case VRML_SFCOLOR: case VRML_SFVEC2F: case VRML_SFVEC3F: case VRML_SFROTATION: {
        py::list items = sequence(field, type, value);
        if (items.size() != size_t(components(type)))
            throw py::value_error(std::string("field '") + field + "' is " + type_name(type) + ": " +
                                  std::to_string(components(type)) + " numbers expected, not " +
                                  std::to_string(items.size()));
        for (int i = 0; i < components(type); ++i) f.sfrotation[i] = float(number(field, type, items[i]));
        break;
    }
    case VRML_SFIMAGE: {
        py::list items = sequence(field, type, value);
        if (items.size() != 4 || !PyBytes_Check(items[3].ptr()) || !PyLong_Check(items[0].ptr()) ||
            !PyLong_Check(items[1].ptr()) || !PyLong_Check(items[2].ptr()))
            throw py::type_error(std::string("field '") + field +
                                 "' is SFImage: (width, height, components, pixel bytes) expected");
        long long w = items[0].cast<long long>(), h = items[1].cast<long long>(), c = items[2].cast<long long>();
        std::string pixels = items[3].cast<std::string>();
        if (w < 0 || h < 0 || c < 0 || c > 4 || w > INT32_MAX || h > INT32_MAX ||
            (w && h > INT32_MAX / w) || size_t(w * h * c) != pixels.size() || pixels.size() > UINT32_MAX)
            throw py::value_error(std::string("field '") + field +
                                  "': the pixel bytes do not match width x height x components");
        f.sfimage.width = int32_t(w), f.sfimage.height = int32_t(h), f.sfimage.components = int32_t(c);
        if (!pixels.empty()) {
            f.sfimage.pixels = static_cast<unsigned char *>(vrml_malloc(unsigned(pixels.size())));
            if (!f.sfimage.pixels) throw std::bad_alloc();
            swap_components(reinterpret_cast<char *>(f.sfimage.pixels),
                            reinterpret_cast<const unsigned char *>(pixels.data()), pixels.size(), int(c));
        }
        break;
    }
    case VRML_MFSTRING: {
        py::list items = sequence(field, type, value);
        for (auto item : items)
            if (!PyUnicode_Check(item.ptr())) wrong_type(field, type, item);
        if (items.size() == 0) break;
        auto **texts = static_cast<char **>(vrml_malloc(unsigned(items.size() * sizeof(char *))));
        if (!texts) throw std::bad_alloc();
        f.mfarray.values = texts;
        for (auto item : items) texts[f.mfarray.count++] = copy_text(item);
        break;
    }
    case VRML_MFNODE: {
        py::list items = sequence(field, type, value);
        std::vector<vrml_node *> nodes;
        for (auto item : items) nodes.push_back(node_of(state, field, type, item));
        for (vrml_node *node : nodes) {
            vrml_field *element = vrml_allocfield(VRML_SFNODE);
            if (!element || vrml_listappend(&f.mfnode.nodes, element) < 0) {
                std::free(element);
                throw std::bad_alloc();
            }
            element->sfnode.node = node;
            f.mfnode.count = f.mfnode.nodes.count;
        }
        break;
    }
    default: mf_numbers(field, type, value, f); break;
    }
    return out;
}

// Distinct nodes reachable from the nodes of a list, depth first in file
// order; a PROTO instance stands for itself (its own copy of the body is not
// entered).
template <typename Visit>
void walk(const vrml_mfnode *roots, Visit visit) {
    std::vector<vrml_node *> stack;
    std::unordered_set<vrml_node *> seen;
    auto push_list = [&](const vrml_mfnode &list) {
        size_t mark = stack.size();
        for (vrml_listitem *it = list.nodes.first; it; it = it->next)
            if (auto *ref = static_cast<vrml_field *>(it->data); ref && ref->sfnode.node)
                stack.push_back(ref->sfnode.node);
        std::reverse(stack.begin() + std::ptrdiff_t(mark), stack.end());
    };
    if (roots) push_list(*roots);
    while (!stack.empty()) {
        vrml_node *node = stack.back();
        stack.pop_back();
        if (!node->nodetemplate || !seen.insert(node).second) continue;
        visit(node);
        vrml_nodetemplate *t = node->nodetemplate;
        size_t mark = stack.size();
        for (int i = 0; i < t->membercount; ++i) {
            const vrml_fieldtemplate &m = t->members[i];
            if (hidden(m) || !valued(m) || (m.type != VRML_SFNODE && m.type != VRML_MFNODE)) continue;
            vrml_field *value = vrml_memberContentPtr(&node->members[i]);
            if (!value) continue;
            if (m.type == VRML_SFNODE) {
                if (value->sfnode.node) stack.push_back(value->sfnode.node);
            } else {
                for (vrml_listitem *it = value->mfnode.nodes.first; it; it = it->next)
                    if (auto *ref = static_cast<vrml_field *>(it->data); ref && ref->sfnode.node)
                        stack.push_back(ref->sfnode.node);
            }
        }
        std::reverse(stack.begin() + std::ptrdiff_t(mark), stack.end());
    }
}

// ---- Nodes -------------------------------------------------------------------

// The member index of a valued member by name; KeyError otherwise.
int member_index(vrml_node *node, const std::string &name) {
    vrml_nodetemplate *t = node->nodetemplate;
    int i = t ? vrml_findnodetemplatefieldidx(t, name.c_str()) : -1;
    if (i < 0 || hidden(t->members[i]))
        throw py::key_error("'" + name + "': no such field of " + (t && t->name ? t->name : "?"));
    if (!valued(t->members[i]))
        throw py::key_error("'" + name + "' is an " + kClassNames[t->members[i].memberclass] + " of " +
                            t->name + ", not a field");
    return i;
}

py::object get_member(const Node &n, int i) {
    const vrml_fieldtemplate &m = n.node->nodetemplate->members[i];
    return to_python(n.state, m.type, vrml_memberContentPtr(&n.node->members[i]), m.name);
}

py::object node_get(const Node &n, const std::string &name) {
    live(n.state);
    return get_member(n, member_index(n.node, name));
}

void node_set(const Node &n, const std::string &name, const py::object &value) {
    vrml_context *ctx = live(n.state);
    int i = member_index(n.node, name);
    const vrml_fieldtemplate &m = n.node->nodetemplate->members[i];
    Owned record = from_python(n.state, m.type, value, m.name);
    if (m.type == VRML_SFNODE || m.type == VRML_MFNODE) {
        vrml_listitem item{record.get(), nullptr, nullptr};
        vrml_mfnode single{1, {&item, &item, 1}};
        bool cycle = false;
        walk(m.type == VRML_SFNODE ? &single : &record->mfnode, [&](vrml_node *child) { cycle |= child == n.node; });
        if (cycle) throw py::value_error("field '" + name + "': a node cannot contain itself");
    }
    live(n.state);
    // The scene's nodes are those of its outer scope, whose table holds
    // their types.
    vrml_scope *world = vrml_getscopeentry(ctx, 0);
    vrml_templatetable *table = world ? world->templates : nullptr;
    if (vrml_gettemplateentry(table, n.node->type) != n.node->nodetemplate ||
        vrml_setnodefield(table, n.node, record.get(), i) != 1)
        throw py::value_error("'" + name + "' of this node cannot be set");
    record.release();
}

py::dict node_fields(const Node &n) {
    live(n.state);
    py::dict out;
    vrml_nodetemplate *t = n.node->nodetemplate;
    for (int i = 0; t && i < t->membercount; ++i)
        if (!hidden(t->members[i]) && valued(t->members[i])) out[t->members[i].name] = get_member(n, i);
    return out;
}

std::string node_repr(const Node &n) {
    if (!n.state->ctx) return "<zebvrml2.Node of a released scene>";
    std::string s = "<zebvrml2.Node ";
    s += n.node->nodetemplate && n.node->nodetemplate->name ? n.node->nodetemplate->name : "?";
    if (n.node->defname) s += std::string(" DEF ") + n.node->defname;
    return s + ">";
}

// ---- Scenes ------------------------------------------------------------------

// Classes made at import; the module keeps them.
py::handle g_route, g_diagnostic, g_proto, g_loaderror;

py::list diagnostics_list(const std::vector<Diagnostic> &diags) {
    py::list out;
    for (const Diagnostic &d : diags)
        out.append(g_diagnostic(d.line, d.severity == VRML_LOG_PROBLEM ? "problem" : "notice",
                                py::str(PyUnicode_DecodeUTF8(d.message.data(), py::ssize_t(d.message.size()),
                                                             "replace"))));
    return out;
}

// Loads from the state's input stream (opened by the caller).
Scene load_stream(State state, bool lenient) {
    state->streams = true;
    if (zeb_initbufferstream(&state->out) < 0) throw std::bad_alloc();
    bool fatal = false;
    vrml_context *ctx;
    {
        py::gil_scoped_release unlocked;
        guarded_record(&state->diagnostics);
        ctx = guarded_load(&state->in, &state->out,
                           VRML_LOAD_NOTICES | VRML_LOAD_CHECKS | (lenient ? VRML_LOAD_LENIENT : 0u), &fatal);
        guarded_record(nullptr);
    }
    state->ctx = ctx;
    int error = zeb_error(&state->in);
    std::string why = error ? zeb_errortext(&state->in) : "";
    state->in.stream_close(&state->in);
    if (fatal) {
        std::string message = guarded_fatal_message();
        py::list diags = diagnostics_list(state->diagnostics);
        state->release();
        py::object e = g_loaderror(message);
        e.attr("diagnostics") = diags;
        PyErr_SetObject(g_loaderror.ptr(), e.ptr());
        throw py::error_already_set();
    }
    if (!ctx) throw std::bad_alloc();
    if (error) {
        PyErr_SetObject(PyExc_OSError, py::make_tuple(error, why).ptr());
        throw py::error_already_set();
    }
    return Scene{std::move(state)};
}

Scene load(const py::object &path, bool lenient) {
    py::object name = py::module_::import("os").attr("fsencode")(path);
    std::string filename = name.cast<std::string>();
    State state = std::make_shared<SceneState>();
    if (zeb_initfilename(&state->in, filename.c_str(), "r") < 0) {
        if (!errno) errno = ENOENT;
        PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path.ptr());
        throw py::error_already_set();
    }
    return load_stream(std::move(state), lenient);
}

Scene loads(const py::object &text, bool lenient) {
    std::string bytes;
    if (PyUnicode_Check(text.ptr())) bytes = text.cast<std::string>();
    else if (PyBytes_Check(text.ptr()) || PyByteArray_Check(text.ptr())) bytes = py::bytes(text).cast<std::string>();
    else throw py::type_error("loads() takes str or bytes");
    if (bytes.size() > size_t(INT32_MAX)) throw py::value_error("loads(): text too long");
    State state = std::make_shared<SceneState>();
    zeb_initstringstream(&state->in, bytes.data(), int(bytes.size()));
    return load_stream(std::move(state), lenient);
}

py::list scene_nodes(const Scene &s, const py::object &type) {
    vrml_context *ctx = live(s.state);
    std::string wanted = type.is_none() ? std::string() : type.cast<std::string>();
    py::list out;
    walk(ctx->root, [&](vrml_node *node) {
        if (type.is_none() || (node->nodetemplate->name && wanted == node->nodetemplate->name))
            out.append(node_object(s.state, node));
    });
    return out;
}

py::list scene_roots(const Scene &s) {
    vrml_context *ctx = live(s.state);
    py::list out;
    for (vrml_listitem *it = ctx->root ? ctx->root->nodes.first : nullptr; it; it = it->next)
        if (auto *ref = static_cast<vrml_field *>(it->data); ref && ref->sfnode.node)
            out.append(node_object(s.state, ref->sfnode.node));
    return out;
}

py::dict scene_defs(const Scene &s) {
    vrml_scope *world = vrml_getscopeentry(live(s.state), 0);
    py::dict out;
    for (vrml_listitem *it = world && world->deftable ? world->deftable->defs.first : nullptr; it; it = it->next)
        if (auto *e = static_cast<vrml_defentry *>(it->data); e && e->name && e->node)
            out[e->name] = node_object(s.state, e->node);
    return out;
}

const char *member_name(vrml_node *node, int i) {
    vrml_nodetemplate *t = node ? node->nodetemplate : nullptr;
    return t && i >= 0 && i < t->membercount && t->members[i].name ? t->members[i].name : nullptr;
}

py::list scene_routes(const Scene &s) {
    vrml_context *ctx = live(s.state);
    py::list out;
    auto add = [&](vrml_node *from, int out_member, vrml_node *to, int in_member) {
        const char *a = member_name(from, out_member), *b = member_name(to, in_member);
        if (a && b) out.append(g_route(node_object(s.state, from), a, node_object(s.state, to), b));
    };
    walk(ctx->root, [&](vrml_node *node) {
        vrml_nodetemplate *t = node->nodetemplate;
        for (int i = 0; i < t->membercount; ++i) {
            void *content = node->members[i].content;
            vrml_eventout *event = nullptr;
            if (content && t->members[i].memberclass == VRML_EVENTOUT) event = static_cast<vrml_eventout *>(content);
            else if (content && t->members[i].memberclass == VRML_EXPOSEDFIELD)
                event = static_cast<vrml_exposedfield *>(content)->eventout;
            for (vrml_listitem *it = event ? event->routes.first : nullptr; it; it = it->next) {
                auto *r = static_cast<vrml_route *>(it->data);
                // Notifiers and the copies of PROTO body routes are no ROUTEs.
                if (!r || r->notifier || (r->scope && r->scope->owner)) continue;
                add(r->sourcenode ? r->sourcenode : node, r->sourcemember, r->targetnode, r->targetmember);
            }
        }
    });
    vrml_scope *world = vrml_getscopeentry(ctx, 0);
    vrml_deftable *defs = world ? world->deftable : nullptr;
    for (vrml_listitem *it = defs ? defs->routes.first : nullptr; it; it = it->next) {
        auto *r = static_cast<vrml_route *>(it->data);
        vrml_defentry *from = r ? vrml_getdefentry(defs, r->sourcedef) : nullptr;
        vrml_defentry *to = r ? vrml_getdefentry(defs, r->targetdef) : nullptr;
        if (from && to) add(from->node, r->sourcemember, to->node, r->targetmember);
    }
    return out;
}

void scene_add_route(const Scene &s, const Node &from, const std::string &eventout, const Node &to,
                     const std::string &eventin) {
    live(s.state);
    if (from.state != s.state || to.state != s.state)
        throw py::value_error("add_route: both nodes must belong to this scene");
    int a = vrml_findnodeeventoutidx(from.node, eventout.c_str());
    int b = vrml_findnodeeventinidx(to.node, eventin.c_str());
    if (a < 0) throw py::value_error("add_route: " + std::string(from.node->nodetemplate->name) + " has no eventOut '" + eventout + "'");
    if (b < 0) throw py::value_error("add_route: " + std::string(to.node->nodetemplate->name) + " has no eventIn '" + eventin + "'");
    int ta = from.node->nodetemplate->members[a].type, tb = to.node->nodetemplate->members[b].type;
    if (ta != tb)
        throw py::type_error("add_route: " + eventout + " is " + type_name(ta) + " but " + eventin + " is " + type_name(tb));
    if (vrml_addruntimeroute(from.node, eventout.c_str(), to.node, eventin.c_str()) != 0) throw std::bad_alloc();
}

py::list scene_protos(const Scene &s) {
    vrml_scope *world = vrml_getscopeentry(live(s.state), 0);
    vrml_templatetable *table = world ? world->templates : nullptr;
    py::list out;
    for (int id = VRML_BUILTIN_COUNT; table && id < table->count; ++id) {
        vrml_nodetemplate *t = table->templates[id];
        if (!t || !t->name || std::strcmp(t->name, "Script") == 0) continue;
        py::list interface;
        for (int i = 0; i < t->membercount; ++i) {
            const vrml_fieldtemplate &m = t->members[i];
            if (hidden(m) || m.memberclass < 0 || m.memberclass > 3) continue;
            interface.append(py::make_tuple(kClassNames[m.memberclass], type_name(m.type), m.name));
        }
        out.append(g_proto(t->name, t->external != 0, interface));
    }
    return out;
}

void scene_close(const Scene &s) {
    if (s.state->writing) throw std::runtime_error("the scene is being written by another thread");
    s.state->release();
}

py::object scene_write(const Scene &s, const py::object &path) {
    std::string filename;
    if (!path.is_none()) filename = py::module_::import("os").attr("fsencode")(path).cast<std::string>();
    vrml_stream out{};
    if (path.is_none() ? zeb_initbufferstream(&out) < 0 : zeb_initfilename(&out, filename.c_str(), "w") < 0)
        throw std::bad_alloc();
    std::vector<Diagnostic> diags;
    int result = 0, error = 0;
    std::string text;
    vrml_context *ctx;
    try {
        ctx = live(s.state);
    } catch (...) {
        out.stream_close(&out);
        throw;
    }
    s.state->writing = true;
    {
        py::gil_scoped_release unlocked;
        guarded_record(&diags);
        result = vrmlutil_writescene(ctx, &out, 0);
        guarded_record(nullptr);
        size_t n = 0;
        const char *bytes = path.is_none() ? zeb_getbuffer(&out, &n) : nullptr;
        if (bytes) text.assign(bytes, n);
        error = zeb_error(&out);
        errno = 0;
        if (out.stream_close(&out) < 0 && !error) error = errno ? errno : EIO;
    }
    s.state->writing = false;
    s.state->diagnostics.insert(s.state->diagnostics.end(), diags.begin(), diags.end());
    if (error || result < 0) {
        errno = error ? error : EIO;
        if (path.is_none()) PyErr_SetFromErrno(PyExc_OSError);
        else PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path.ptr());
        throw py::error_already_set();
    }
    if (path.is_none()) return py::str(text);
    return py::none();
}

}  // namespace

PYBIND11_MODULE(zebvrml2, m) {
    m.doc() = "VRML97 worlds as scene graphs: load, inspect, change and write them (zebvrml2 library).";
    guarded_install_handlers();
    py::object namedtuple = py::module_::import("collections").attr("namedtuple");
    m.attr("Route") = namedtuple("Route", "source eventOut target eventIn", py::arg("module") = "zebvrml2");
    m.attr("Diagnostic") = namedtuple("Diagnostic", "line severity message", py::arg("module") = "zebvrml2");
    m.attr("Proto") = namedtuple("Proto", "name external interface", py::arg("module") = "zebvrml2");
    m.attr("LoadError") = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        "zebvrml2.LoadError", "The library met a fatal condition while loading; the message says which. "
        "Its diagnostics attribute holds what was reported before.", PyExc_Exception, nullptr));
    g_route = m.attr("Route");
    g_diagnostic = m.attr("Diagnostic");
    g_proto = m.attr("Proto");
    g_loaderror = m.attr("LoadError");
    m.attr("__version__") = ZEBVRML2_VERSION;

    py::class_<Node>(m, "Node", "A node of a loaded scene. It keeps its scene alive; after the scene "
                                "was closed every use raises ValueError.")
        .def_property_readonly("type", [](const Node &n) {
            live(n.state);
            return std::string(n.node->nodetemplate && n.node->nodetemplate->name ? n.node->nodetemplate->name : "?");
        }, "The node's type name (a PROTO instance: the PROTO's name).")
        .def_property_readonly("def_name", [](const Node &n) -> py::object {
            live(n.state);
            return n.node->defname ? py::object(py::str(n.node->defname)) : py::none();
        }, "The DEF name bound to the node, or None.")
        .def_property_readonly("fields", &node_fields,
             "A new dict of every exposedField and field: name to value (copies).")
        .def("__getitem__", &node_get,
             "node[name]: a copy of the field's value. SFBool bool, SFInt32 int, SFFloat and SFTime float, "
             "SFString str, SFVec2f/SFVec3f/SFColor/SFRotation tuples, SFImage (width, height, components, "
             "pixel bytes with each pixel's components in the order of its hexadecimal text: 0xRRGGBB is "
             "R, G, B), SFNode Node or None, MFNode and MFString lists, the other MF types numpy arrays "
             "(float32 shaped (n,), (n, 2), (n, 3) or (n, 4); MFInt32 int32). KeyError for a name that is "
             "no field.")
        .def("__setitem__", &node_set,
             "node[name] = value: replaces the field's value (arrays are copied in). TypeError for a value "
             "of another type, ValueError for a wrong shape or range or a node of another scene.")
        .def("__contains__", [](const Node &n, const std::string &name) {
            live(n.state);
            int i = n.node->nodetemplate ? vrml_findnodetemplatefieldidx(n.node->nodetemplate, name.c_str()) : -1;
            return i >= 0 && !hidden(n.node->nodetemplate->members[i]) && valued(n.node->nodetemplate->members[i]);
        })
        .def("__eq__", [](const Node &a, const py::object &b) {
            return py::isinstance<Node>(b) && b.cast<const Node &>().node == a.node &&
                   b.cast<const Node &>().state == a.state;
        })
        .def("__hash__", [](const Node &n) { return std::hash<const void *>()(n.node); })
        .def("__repr__", &node_repr);

    py::class_<Scene>(m, "Scene", "A loaded world. Use it as a context manager (or call close()) to "
                                  "release it; its nodes keep it alive until then.")
        .def_property_readonly("roots", &scene_roots, "The root nodes in file order.")
        .def("nodes", &scene_nodes, py::arg("type") = py::none(),
             "The distinct nodes reachable from the roots, depth first in file order, optionally only "
             "those of one type name (a PROTO instance counts under its PROTO's name; its own copy of "
             "the PROTO body is not entered).")
        .def_property_readonly("defs", &scene_defs, "A new dict of the world's DEF names: name to Node.")
        .def_property_readonly("routes", &scene_routes,
             "The ROUTEs between the scene's nodes: Route(source, eventOut, target, eventIn) tuples "
             "with member names as the scene writer writes them.")
        .def("add_route", &scene_add_route, py::arg("source"), py::arg("eventOut"), py::arg("target"),
             py::arg("eventIn"),
             "Adds a ROUTE from source's eventOut (or exposedField) to target's eventIn (or "
             "exposedField), which must be of one type (TypeError) and exist (ValueError).")
        .def_property_readonly("protos", &scene_protos,
             "The world's PROTO and EXTERNPROTO declarations: Proto(name, external, interface) with "
             "interface a list of (class, type, name).")
        .def("write", &scene_write, py::arg("path") = py::none(),
             "Writes the scene as VRML text (the lossless writer): to the file path, or returned as a "
             "str when no path is given. What the text cannot carry is added to diagnostics.")
        .def_property_readonly("diagnostics", [](const Scene &s) { return diagnostics_list(s.state->diagnostics); },
             "Diagnostic(line, severity, message) tuples of loading and writing; severity "
             "'problem' or 'notice'.")
        .def_property_readonly("closed", [](const Scene &s) { return s.state->ctx == nullptr; })
        .def("close", &scene_close, "Releases the scene now (again: nothing); later uses of it or its "
                                    "nodes raise ValueError.")
        .def("__enter__", [](const py::object &self) { return self; })
        .def("__exit__", [](const Scene &s, const py::args &) {
            scene_close(s);
            return false;
        });

    m.def("load", &load, py::arg("path"), py::arg("lenient") = false,
          "Loads the VRML97 world in the file path (gzip-compressed files too) and returns a Scene. "
          "OSError when it cannot be read; LoadError when the library meets a fatal condition (the "
          "partial scene is released). lenient=True asks for the lenient load.");
    m.def("loads", &loads, py::arg("text"), py::arg("lenient") = false,
          "Loads a world from a str or bytes; see load().");
}
