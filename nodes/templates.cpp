// Member and node templates, template tables and the name lookups.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "fields/field_internal.h"
#include "loader/context_private.h"
#include "loader/memory.h"
#include "loader/report.h"
#include "loader/side_records.h"
#include "nodes/name_index.h"
#include "nodes/node_internal.h"
#include "platform/second_name.h"

namespace {

// The name index of a template table: the lowest id of each name; and
// which of its ids are aliases (vrml_addtemplatealias).
struct template_index {
    uint64_t aliases[VRML_TEMPLATE_SLOTS / 64];
    bool valid;
    int32_t seencount;
    vrml_nodetemplate *seenlast;
    vrml_namehash hash;
};

int32_t usable_count(const vrml_templatetable *table) {
    return std::clamp<int32_t>(table->count, 0, VRML_TEMPLATE_SLOTS);
}

const char *template_name(const void *owner, int32_t pos) {
    const vrml_nodetemplate *t = static_cast<const vrml_templatetable *>(owner)->templates[pos];
    return t ? t->name : nullptr;
}

bool index_from(template_index *x, const vrml_templatetable *table, int32_t from) {
    int32_t count = usable_count(table);
    for (int32_t id = from; id < count; ++id) {
        const vrml_nodetemplate *t = table->templates[id];
        if (t && t->name && !vrml_namehash_put(&x->hash, t->name, vrml_namehash_of(t->name), id, false))
            return false;
    }
    x->seencount = count;
    x->seenlast = count ? table->templates[count - 1] : nullptr;
    x->valid = true;
    return true;
}

// Brings the index up to date: templates appended since the last lookup are
// added; any other change (a withdrawn or replaced template) re-indexes.
bool sync(template_index *x, const vrml_templatetable *table, bool force) {
    int32_t count = usable_count(table);
    vrml_nodetemplate *last = count ? table->templates[count - 1] : nullptr;
    if (!force && x->valid && count == x->seencount && last == x->seenlast) return true;
    bool ok;
    if (!force && x->valid && x->seencount > 0 && count > x->seencount &&
        table->templates[x->seencount - 1] == x->seenlast) {
        ok = index_from(x, table, x->seencount);
    } else {
        vrml_namehash_clear(&x->hash);
        ok = index_from(x, table, 0);
    }
    if (!ok) x->valid = false;
    return ok;
}

int find_linear(const vrml_templatetable *table, const char *name) {
    int32_t count = usable_count(table);
    for (int32_t id = 0; id < count; ++id) {
        const vrml_nodetemplate *t = table->templates[id];
        if (t && t->name && std::strcmp(t->name, name) == 0) return id;
    }
    return -1;
}

bool starts_with(const char *text, const char *prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Length of the name without a "_changed" that runs from its last
// underscore to the end; the whole length when there is none.
size_t changed_base_length(const char *name) {
    const char *underscore = std::strrchr(name, '_');
    if (underscore && std::strcmp(underscore, "_changed") == 0)
        return static_cast<size_t>(underscore - name);
    return std::strlen(name);
}

bool equals_prefix(const char *member, const char *text, size_t length) {
    return std::strncmp(member, text, length) == 0 && member[length] == '\0';
}

// The table's index record, made when create is set; null when there is
// none (or no memory).
template_index *index_of(const vrml_templatetable *table, bool create) {
    void **word = vrml_side_word(table, create);
    if (!word) return nullptr;
    auto *x = static_cast<template_index *>(*word);
    if (!x && create) {
        x = static_cast<template_index *>(vrml_malloc(sizeof(template_index)));
        if (!x) return nullptr;
        vrml_namehash_init(&x->hash, template_name, table);
        *word = x;
    }
    return x;
}

}  // namespace

int vrml_addtemplatealias(vrml_templatetable *table, vrml_nodetemplate *t) {
    template_index *x = index_of(table, true);
    if (!x) return -1;
    int id = vrml_addtemplate(table, t);
    if (id >= 0) x->aliases[id / 64] |= uint64_t{1} << (id % 64);
    return id;
}

bool vrml_istemplatealias(const vrml_templatetable *table, int id) {
    if (id < 0 || id >= VRML_TEMPLATE_SLOTS) return false;
    const template_index *x = index_of(table, false);
    return x && (x->aliases[id / 64] >> (id % 64) & 1u);
}

void vrml_templatetable_releaseindex(vrml_templatetable *table) {
    auto *x = static_cast<template_index *>(vrml_side_take(table));
    if (!x) return;
    vrml_namehash_release(&x->hash);
    std::free(x);
}

void vrml_display_fieldline(vrml_context *noticectx, const vrml_fieldtemplate *member) {
    bool known_class = member->memberclass >= 0 && member->memberclass < 4;
    bool known_type = member->type >= 0 && member->type < VRML_FIELDTYPE_COUNT;
    const char *memberclass =
        known_class ? vrml_fieldnames[kVrmlClassNameBase + member->memberclass] : "(null)";
    const char *type = known_type ? vrml_fieldnames[member->type] : "(null)";
    const char *name = member->name ? member->name : "(null)";
    if (noticectx) vrml_notice(noticectx, nullptr, 0, "df: %s %s %s", memberclass, type, name);
    else std::printf("df: %s %s %s\n", memberclass, type, name);
}

extern "C" {

ZEBVRML2_API vrml_templatetable *vrml_createtemplate(void) {
    return static_cast<vrml_templatetable *>(vrml_malloc(sizeof(vrml_templatetable)));
}

ZEBVRML2_API int vrml_addtemplate(vrml_templatetable *table, vrml_nodetemplate *nodetemplate) {
    if (table->count < 0 || table->count + 1 > VRML_TEMPLATE_SLOTS) return -1;
    table->templates[table->count] = nodetemplate;
    return table->count++;
}

ZEBVRML2_API vrml_nodetemplate *vrml_gettemplateentry(vrml_templatetable *table, int id) {
    if (!table || id < 0 || id >= usable_count(table)) return nullptr;
    return table->templates[id];
}

ZEBVRML2_API int vrml_findnode(vrml_templatetable *table, const char *name) {
    if (!table || !name) return -1;
    template_index *x = index_of(table, true);
    if (!x) return find_linear(table, name);
    uint32_t hash = vrml_namehash_of(name);
    for (bool force : {false, true}) {
        if (!sync(x, table, force)) break;
        int32_t id = vrml_namehash_get(&x->hash, name, hash);
        if (id < 0) return -1;
        const vrml_nodetemplate *t = table->templates[id];
        // A template replaced in place since it was indexed: index again.
        if (t && t->name && std::strcmp(t->name, name) == 0) return id;
    }
    return find_linear(table, name);
}

ZEBVRML2_API void *vrml_allocnodetemplate(void) {
    return vrml_malloc(std::max(sizeof(vrml_nodetemplate), sizeof(vrml_deftable)));
}

VRML_SECOND_NAME(void *, vrml_createnamespace, (void), vrml_allocnodetemplate, ())

ZEBVRML2_API vrml_fieldtemplate *vrml_allocfieldtemplate(void) {
    return static_cast<vrml_fieldtemplate *>(vrml_malloc(sizeof(vrml_fieldtemplate)));
}

ZEBVRML2_API vrml_nodetemplate *vrml_createnodetemplate(const char *name, int count,
                                                        vrml_fieldtemplate *members) {
    auto *t = static_cast<vrml_nodetemplate *>(vrml_allocnodetemplate());
    if (!t) return nullptr;
    t->name = const_cast<char *>(name);
    t->membercount = count;
    t->members = members;
    return t;
}

ZEBVRML2_API vrml_fieldtemplate *vrml_createfieldtemplate(int memberclass, int type,
                                                          const char *name,
                                                          vrml_field *defaultvalue,
                                                          int reserved) {
    vrml_fieldtemplate *m = vrml_allocfieldtemplate();
    if (!m) return nullptr;
    m->memberclass = memberclass;
    m->type = type;
    if (name) {
        vrml_savestring(&m->name, name);
        if (!m->name) {
            std::free(m);
            return nullptr;
        }
    }
    if (!defaultvalue && (memberclass == VRML_EXPOSEDFIELD || memberclass == VRML_FIELD)) {
        defaultvalue = vrml_allocfield(type);
        if (!defaultvalue) {
            std::free(m->name);
            std::free(m);
            return nullptr;
        }
    }
    m->defaultvalue = defaultvalue;
    m->reserved = reserved;
    return m;
}

ZEBVRML2_API int vrml_findnodetemplatefieldidx(vrml_nodetemplate *t, const char *name) {
    if (!t || !t->members || !name) return -1;
    for (int i = 0; i < t->membercount; ++i)
        if (t->members[i].name && std::strcmp(t->members[i].name, name) == 0) return i;
    return -1;
}

ZEBVRML2_API int vrml_findnodetemplateeventinidx(vrml_nodetemplate *t, const char *name) {
    if (!t || !t->members || !name) return -1;
    const char *brief = starts_with(name, "set_") && name[4] ? name + 4 : name;
    for (int i = 0; i < t->membercount; ++i) {
        const vrml_fieldtemplate &m = t->members[i];
        if (!m.name) continue;
        if (m.memberclass == VRML_EVENTIN && std::strcmp(m.name, name) == 0) return i;
        if (m.memberclass == VRML_EXPOSEDFIELD &&
            std::strcmp(m.name, starts_with(m.name, "set_") ? name : brief) == 0)
            return i;
    }
    return -1;
}

ZEBVRML2_API int vrml_findnodetemplateeventoutidx(vrml_nodetemplate *t, const char *name) {
    if (!t || !t->members || !name) return -1;
    size_t base = changed_base_length(name);
    for (int i = 0; i < t->membercount; ++i) {
        const vrml_fieldtemplate &m = t->members[i];
        if (!m.name) continue;
        if (m.memberclass == VRML_EVENTOUT && std::strcmp(m.name, name) == 0) return i;
        if (m.memberclass == VRML_EXPOSEDFIELD) {
            bool own_changed = changed_base_length(m.name) != std::strlen(m.name);
            if (own_changed ? std::strcmp(m.name, name) == 0 : equals_prefix(m.name, name, base))
                return i;
        }
    }
    return -1;
}

ZEBVRML2_API int vrml_findfieldidx(vrml_templatetable *table, int id, const char *name) {
    return vrml_findnodetemplatefieldidx(vrml_gettemplateentry(table, id), name);
}

ZEBVRML2_API int vrml_findeventinidx(vrml_templatetable *table, int id, const char *name) {
    return vrml_findnodetemplateeventinidx(vrml_gettemplateentry(table, id), name);
}

ZEBVRML2_API int vrml_findeventoutidx(vrml_templatetable *table, int id, const char *name) {
    return vrml_findnodetemplateeventoutidx(vrml_gettemplateentry(table, id), name);
}

ZEBVRML2_API int vrml_findnodefieldidx(vrml_node *node, const char *name) {
    return node ? vrml_findnodetemplatefieldidx(node->nodetemplate, name) : -1;
}

ZEBVRML2_API int vrml_findnodeeventinidx(vrml_node *node, const char *name) {
    return node ? vrml_findnodetemplateeventinidx(node->nodetemplate, name) : -1;
}

ZEBVRML2_API int vrml_findnodeeventoutidx(vrml_node *node, const char *name) {
    return node ? vrml_findnodetemplateeventoutidx(node->nodetemplate, name) : -1;
}

ZEBVRML2_API int vrml_settemplatedefault(vrml_context *ctx, int id, int i, vrml_field *value) {
    vrml_nodetemplate *t = vrml_gettemplateentry(ctx->templates, id);
    if (!t || !t->members || i < 0 || i >= t->membercount) return -1;
    vrml_fieldtemplate &m = t->members[i];
    if (m.defaultvalue && m.memberclass != VRML_EVENTIN && m.defaultvalue != value &&
        m.type >= 0 && m.type < VRML_FIELDTYPE_COUNT)
        vrml_freefielddata[m.type](m.defaultvalue);
    m.defaultvalue = value;
    return 1;
}

ZEBVRML2_API void vrml_display_field(vrml_context *ctx, vrml_fieldtemplate *member) {
    if (!member) return;
    vrml_display_fieldline(vrml_context_options(ctx) & VRML_LOAD_NOTICES ? ctx : nullptr, member);
    bool known_type = member->type >= 0 && member->type < VRML_FIELDTYPE_COUNT;
    if (ctx && ctx->out && known_type && member->defaultvalue &&
        (member->memberclass == VRML_EXPOSEDFIELD || member->memberclass == VRML_FIELD) &&
        member->type != VRML_SFNODE && member->type != VRML_MFNODE)
        vrml_printfield[member->type](ctx, member->defaultvalue);
}

ZEBVRML2_API const char *vrml_nodeidtostring(int id, char *buffer) {
    const char *name =
        id >= 0 && id < VRML_BUILTIN_COUNT ? vrml_builtintemplates()[id].name : nullptr;
    if (buffer) std::strcpy(buffer, name ? name : "Invalid");
    return name;
}

ZEBVRML2_API vrml_listitem *vrml_deletechild(vrml_list *list, void *value) {
    if (!list) return nullptr;
    for (vrml_listitem *it = list->first; it; it = it->next) {
        if (it->data && static_cast<void **>(it->data)[1] == value) {
            vrml_listdeleteitem(list, it);
            return it;
        }
    }
    return nullptr;
}

}  // extern "C"
