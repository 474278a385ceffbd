// The .define constants: a newest-first list, names unique without regard to case.
#pragma once

struct const_node {
    char* name;
    int value;
    const_node* next;
};

// The value of an undefined constant or a missing command-line parameter: the
// line's action still runs with it, while the counted error keeps the run
// from producing an image.
constexpr int kMissingValue = -1;

int add_const(const char* name, int value);
int find_const(const char* name, int line);
void free_consts();
