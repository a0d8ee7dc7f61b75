// The side map: open addressing with linear probing over heap cells, one
// binary semaphore for the whole map. The lock is never held while anything that can
// reach vrml_fatal_err runs.
//
// Lookups come in long runs for the same few records (every DEF and USE asks
// for its table's word), so each thread remembers its last few hits. Taking
// the semaphore is a full memory barrier on x86: on the hot path it would
// stop the processor from overlapping the cache misses of consecutive name
// lookups, which is what makes them slow in large tables. A remembered hit is
// trusted only while no word has been taken since (a generation count that
// vrml_side_take advances under the lock).
#include "loader/side_records.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>

#include "platform/sync.h"
#include "zebio/heap.h"

namespace {

struct Slot {
    const void *key;   // null: never used; kTombstone: removed
    void **word;       // a heap cell, stable while the entry lives
};

const void *const kTombstone = &kTombstone;

struct SideMap {
    vrml_semaphore *lock = vrml_semaphore_create();
    Slot *slots = nullptr;
    size_t capacity = 0;  // a power of two, or 0
    size_t used = 0;      // live entries and tombstones
    size_t live = 0;
};

SideMap &map() {
    static SideMap m;
    return m;
}

// Holds the map's semaphore for a scope; without one (it could not be made)
// the map is not used at all.
class Locked {
public:
    explicit Locked(SideMap &m) : m_(m) {
        if (m_.lock) vrml_semaphore_take(m_.lock);
    }
    ~Locked() {
        if (m_.lock) vrml_semaphore_give(m_.lock);
    }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
    bool ok() const { return m_.lock != nullptr; }

private:
    SideMap &m_;
};

size_t home(const void *key, size_t capacity) {
    return std::hash<const void *>{}(key) * 0x9E3779B97F4A7C15ull & (capacity - 1);
}

Slot *find(SideMap &m, const void *key) {
    if (m.capacity == 0) return nullptr;
    for (size_t i = home(key, m.capacity);; i = (i + 1) & (m.capacity - 1)) {
        Slot &s = m.slots[i];
        if (s.key == key) return &s;
        if (!s.key) return nullptr;
    }
}

bool grow(SideMap &m) {
    size_t capacity = m.capacity ? m.capacity * 2 : 64;
    if (m.live * 4 < m.capacity) capacity = m.capacity;  // mostly tombstones: rehash in place
    auto *slots = static_cast<Slot *>(vrml_heap_calloc(capacity, sizeof(Slot)));
    if (!slots) return false;
    for (size_t i = 0; i < m.capacity; ++i) {
        const Slot &s = m.slots[i];
        if (!s.key || s.key == kTombstone) continue;
        size_t j = home(s.key, capacity);
        while (slots[j].key) j = (j + 1) & (capacity - 1);
        slots[j] = s;
    }
    std::free(m.slots);
    m.slots = slots;
    m.capacity = capacity;
    m.used = m.live;
    return true;
}

std::atomic<uint64_t> g_generation{0};

struct Remembered {
    const void *key;
    void **word;
    uint64_t generation;
};

// A node statement asks for the template table, the DEF table's list, the
// scope list and sometimes the context's private record: four keep them all.
constexpr int kRemembered = 4;
thread_local Remembered t_recent[kRemembered];

void remember(const void *key, void **word, uint64_t generation) {
    for (int i = kRemembered - 1; i > 0; --i) t_recent[i] = t_recent[i - 1];
    t_recent[0] = {key, word, generation};
}

}  // namespace

void **vrml_side_word(const void *record, bool create) {
    if (!record) return nullptr;
    uint64_t now = g_generation.load(std::memory_order_acquire);
    for (const Remembered &r : t_recent)
        if (r.key == record && r.generation == now) return r.word;
    SideMap &m = map();
    Locked guard(m);
    if (!guard.ok()) return nullptr;
    now = g_generation.load(std::memory_order_relaxed);
    if (Slot *s = find(m, record)) {
        remember(record, s->word, now);
        return s->word;
    }
    if (!create) return nullptr;
    if ((m.used + 1) * 2 > m.capacity && !grow(m)) return nullptr;
    auto **word = static_cast<void **>(vrml_heap_calloc(1, sizeof(void *)));
    if (!word) return nullptr;
    size_t i = home(record, m.capacity);
    while (m.slots[i].key && m.slots[i].key != kTombstone) i = (i + 1) & (m.capacity - 1);
    if (!m.slots[i].key) ++m.used;
    m.slots[i] = {record, word};
    ++m.live;
    remember(record, word, now);
    return word;
}

void *vrml_side_take(const void *record) {
    if (!record) return nullptr;
    SideMap &m = map();
    Locked guard(m);
    if (!guard.ok()) return nullptr;
    Slot *s = find(m, record);
    if (!s) return nullptr;
    g_generation.fetch_add(1, std::memory_order_release);
    void *value = *s->word;
    std::free(s->word);
    s->key = kTombstone;
    s->word = nullptr;
    if (--m.live == 0) {
        // Nothing left: the table goes too, so that an idle process holds
        // no block of the map.
        std::free(m.slots);
        m.slots = nullptr;
        m.capacity = m.used = 0;
    }
    return value;
}
