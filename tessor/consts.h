// The .define constants: a newest-first list, names unique without regard to case.
#pragma once

struct const_node {
    char* name;
    int value;
    const_node* next;
};

int add_const(const char* name, int value);
int find_const(const char* name, int line);
void free_consts();
