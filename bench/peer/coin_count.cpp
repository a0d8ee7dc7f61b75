// The peer comparison of node counts: reads one world with Coin3D
// (SoDB::readAll) and prints, as one JSON line, whether Coin read it and the
// distinct nodes of the graph it built by VRML type name, counted the way
// `zebvrml stats` counts them. Built only when Coin3D's development files are
// installed.
//
//   coin_count FILE [DIR...]
//
// Coin looks for the files the world names (EXTERNPROTO and texture urls) in
// each DIR, then in FILE's folder: give the original's folder as DIR when FILE
// is a copy written elsewhere.
//
// Prints {"file", "read", "nodes", "types": {name: count}, "message"}: "read"
// is false when readAll failed (then "nodes" is 0 and "types" empty);
// "message" holds the first line of Coin's first two read errors and of its
// last (the one a failed read ended on), or "". Exit status 0 when Coin read
// the world, 1 when it did not, 2 on bad usage.
//
// The counting: the SoSeparator readAll puts around the world's root nodes is
// not counted, nor the SoProto nodes Coin keeps among them for the PROTO and
// EXTERNPROTO declarations. Every other node reached through the SFNode and MFNode fields
// (fields and exposedFields) is counted once however many times it is USEd,
// under its class name with the "VRML" prefix of Coin's VRML97 classes
// removed. Coin places a PROTO instance's root (the first node of its body
// copy) where the instance stands; such a node counts once under the PROTO's
// name and the walk goes on through the instance's own field values, not
// through the body copy. The children of Open Inventor groups, which Coin
// also reads in VRML97 worlds, are counted too.
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/errors/SoReadError.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoSFNode.h>
#include <Inventor/lists/SoFieldList.h>
#include <Inventor/misc/SoProto.h>
#include <Inventor/misc/SoProtoInstance.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

std::vector<std::string> read_errors;  // the first line of each, without repeats

void on_read_error(const SoError *error, void *) {
    std::string text = error->getDebugString().getString();
    text = text.substr(0, text.find('\n'));
    if (read_errors.empty() || read_errors.back() != text) read_errors.push_back(text);
}

void ignore(const SoError *, void *) {}

std::string json_string(const std::string &s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string type_name(SoNode *node) {
    if (SoProtoInstance *instance = SoProtoInstance::findProtoInstance(node))
        return instance->getProtoName().getString();
    if (node->isOfType(SoProtoInstance::getClassTypeId()))
        return static_cast<SoProtoInstance *>(node)->getProtoName().getString();
    std::string name = node->getTypeId().getName().getString();
    return name.compare(0, 4, "VRML") == 0 && name.size() > 4 ? name.substr(4) : name;
}

// The nodes held by the fields and exposedFields of container.
void push_children(SoFieldContainer *container, std::vector<SoNode *> &stack) {
    SoFieldList fields;
    container->getFields(fields);
    for (int i = 0; i < fields.getLength(); ++i) {
        SoField *field = fields[i];
        int kind = field->getFieldType();
        if (kind != SoField::NORMAL_FIELD && kind != SoField::EXPOSED_FIELD) continue;
        if (field->isOfType(SoSFNode::getClassTypeId())) {
            stack.push_back(static_cast<SoSFNode *>(field)->getValue());
        } else if (field->isOfType(SoMFNode::getClassTypeId())) {
            auto *list = static_cast<SoMFNode *>(field);
            for (int k = 0; k < list->getNum(); ++k) stack.push_back((*list)[k]);
        }
    }
}

std::map<std::string, int> count_types(SoSeparator *root) {
    std::map<std::string, int> types;
    std::unordered_set<SoNode *> seen;
    std::vector<SoNode *> stack;
    for (int i = 0; i < root->getNumChildren(); ++i) stack.push_back(root->getChild(i));
    while (!stack.empty()) {
        SoNode *node = stack.back();
        stack.pop_back();
        if (!node || node->isOfType(SoProto::getClassTypeId()) || !seen.insert(node).second)
            continue;
        ++types[type_name(node)];
        SoFieldContainer *fields = SoProtoInstance::findProtoInstance(node);
        push_children(fields ? fields : node, stack);
        // Open Inventor groups (Separator {...} in a VRML97 world) hold their
        // children outside any field.
        if (!fields && node->isOfType(SoGroup::getClassTypeId()) &&
            std::strncmp(node->getTypeId().getName().getString(), "VRML", 4) != 0)
            for (int i = 0; i < static_cast<SoGroup *>(node)->getNumChildren(); ++i)
                stack.push_back(static_cast<SoGroup *>(node)->getChild(i));
    }
    return types;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: coin_count FILE [DIR...]\n");
        return 2;
    }
    SoDB::init();
    SoReadError::setHandlerCallback(on_read_error, nullptr);
    SoDebugError::setHandlerCallback(ignore, nullptr);  // warnings: no script engine, sound
    SoInput in;
    // Coin looks for the files a world names in the working directory only.
    std::string folder = argv[1];
    folder = folder.find('/') == std::string::npos ? "." : folder.substr(0, folder.rfind('/') + 1);
    in.addDirectoryFirst(folder.c_str());
    for (int i = argc - 1; i >= 2; --i) in.addDirectoryFirst(argv[i]);
    SoSeparator *root = in.openFile(argv[1]) ? SoDB::readAll(&in) : nullptr;
    if (!root && read_errors.empty()) read_errors.push_back("cannot open or read the file");
    // The first errors name the cause, the last one what the read gave up on.
    std::string message;
    for (size_t i = 0; i < read_errors.size(); ++i)
        if (i < 2 || i + 1 == read_errors.size())
            message += (message.empty() ? "" : " / ") + read_errors[i];
    std::map<std::string, int> types;
    if (root) {
        root->ref();
        types = count_types(root);
        root->unref();
    }
    int nodes = 0;
    std::string listed;
    for (const auto &[name, count] : types) {
        nodes += count;
        listed += (listed.empty() ? "" : ", ") + json_string(name) + ": " + std::to_string(count);
    }
    std::printf("{\"file\": %s, \"read\": %s, \"nodes\": %d, \"types\": {%s}, \"message\": %s}\n",
                json_string(argv[1]).c_str(), root ? "true" : "false", nodes, listed.c_str(),
                json_string(message).c_str());
    return root ? 0 : 1;
}
