// Reading one value from a text, for the field tests.
#ifndef ZEBVRML2_TESTS_FIELDS_UTIL_H
#define ZEBVRML2_TESTS_FIELDS_UTIL_H

#include <string>
#include <vector>

#include "fields/field_internal.h"
#include "support/test_support.h"

// One reader call on a fresh blank record of the type, with what it logged
// and what it left in the input.
struct ReadResult {
    int type = 0;
    int result = 0;
    vrml_field *value = nullptr;
    std::vector<LoggedMessage> log;
    std::string rest;
    ReadResult() = default;
    ReadResult(const ReadResult &) = delete;
    ReadResult &operator=(const ReadResult &) = delete;
    ~ReadResult() { vrml_freefielddata[type](value); }
    std::vector<int32_t> codes() const {
        std::vector<int32_t> out;
        for (const auto &m : log) out.push_back(m.code);
        return out;
    }
};

inline void read_value(ReadResult &r, int type, const std::string &text) {
    LogCapture log;
    BareContext c(text);
    r.type = type;
    r.value = vrml_allocfield(type);
    r.result = vrml_parsefield[type](c.get(), r.value);
    r.log = log.messages();
    r.rest = c.in.rest();
}

template <typename T>
const T *elements(const vrml_field *v) {
    return static_cast<const T *>(v->mfarray.values);
}

#endif
