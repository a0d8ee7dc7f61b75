// Internal operations of the scene parser.
#ifndef ZEBVRML2_PARSER_PARSER_INTERNAL_H
#define ZEBVRML2_PARSER_PARSER_INTERNAL_H

#include "vrml_parser.h"

// A zeroed route record, or null.
vrml_route *vrml_allocroute();

// Appends route to the route list of its source member's event in node:
// 1 attached; 0 when the member is not an eventOut or exposedField
// (reported: "Route points to Field/EventIn") or has no event record; -1
// when no list item could be allocated.
int vrml_attachroute(vrml_nodetemplate *nodetemplate, vrml_node *node, vrml_route *route);

// Adds a forwarding route from an eventIn (or the eventIn of an
// exposedField) of node to target's member: 0; -1 no memory; -4 the member
// is neither eventIn nor exposedField.
int vrml_addeventinroute(vrml_context *ctx, vrml_node *node, int member, vrml_node *target,
                         int targetmember);

// The event record that carries the routes leaving member m of node (an
// eventOut's record, or the eventOut record of an exposedField), or null.
vrml_eventout *vrml_member_eventout(vrml_nodetemplate *nodetemplate, vrml_node *node, int m);

#endif
