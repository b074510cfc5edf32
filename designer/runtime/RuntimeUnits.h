// The units of the shared runtime library (the framework and its database
// layer) as a package's unit table lists them: every package that uses the
// runtime runs these before its own units. Each initialisation does its work
// once however many packages run it, and its finalisation undoes one run.
#pragma once

namespace qgen::runtime {

// Registers TDataModule with the class registry.
void FrameworkInit();
void FrameworkFInit();
const int* FrameworkInitCount();

// Registers TDatabase, TTable and TDataSource with the class registry.
void DataAccessInit();
void DataAccessFInit();
const int* DataAccessInitCount();

}  // namespace qgen::runtime
