#include "consts.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "gen_state.h"
#include "report.h"

int add_const(const char* name, int value) {
    for (const_node* c = gen_state.const_list; c; c = c->next)
        if (strcasecmp(c->name, name) == 0) return kErrConstRedefined;
    auto* node = static_cast<const_node*>(malloc(sizeof(const_node)));
    if (!node) return kErrMalloc;
    node->name = strdup(name);
    if (!node->name) {
        free(node);
        return kErrMalloc;
    }
    node->value = value;
    node->next = gen_state.const_list;
    gen_state.const_list = node;
    return kOk;
}

int find_const(const char* name, int line) {
    for (const_node* c = gen_state.const_list; c; c = c->next)
        if (strcasecmp(c->name, name) == 0) return c->value;
    report_error(kErrConstUndefined, line, name);
    return kMissingValue;
}

void free_consts() {
    while (const_node* c = gen_state.const_list) {
        gen_state.const_list = c->next;
        free(c->name);
        free(c);
    }
}
