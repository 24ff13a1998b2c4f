#pragma once
// Opening one course of one patient for a subcommand: the database in DIR, the patient by NHI
// (letter case ignored), the course by its number. Shared by the subcommands that work on a course.

#include <QString>

class TDataPatient;

// Connects `data` to the database in `dir` and makes the patient `nhi` and its course `courseId`
// the current rows. Returns 0 on success; otherwise prints "halcyra-tool <command>: <reason>" on
// stderr and returns the exit status to give (1: no database, patient or course; 2: a course
// number that is not a whole number).
int openCourse(TDataPatient& data, const char* command, const QString& dir, const QString& nhi,
               const QString& courseId);
