// The work of distpack: from an installation script and a product tree (one
// folder per archive) to a checked set of diskette folders, and diskette
// images on request.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "authoring/distpack/diskette_format.h"

struct DistpackOptions {
    std::string script;       // the author's install.ini; never changed
    std::string productDir;   // PRODUCT_DIR/BASE becomes BASE.ARJ
    std::string outDir;       // receives disk1, disk2, ... (and disk1.img, ...)
    DisketteFormat format;    // the diskettes' format, or no limit
    int method;               // 0..4
    std::vector<std::string> textGlobs;  // entries stored as text
    bool images;              // also write diskN.img
    std::string installer;    // the install.exe that disk1 receives
};

// Builds the distribution, printing what it does to out and errors to err.
// Returns 0 when the finished distribution would install, 1 when it would
// not or could not be built.
int RunDistpack(const DistpackOptions& options, FILE* out, FILE* err);
