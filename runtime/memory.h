#pragma once

namespace melquon {

// Day files are read into buffers of tens of megabytes, freed at the end of every run. Left to
// itself glibc raises its mmap threshold to the size of the first such buffer freed, and the
// buffers of later runs then come from the heap, where the freed steps of growing line tables
// stay resident: the second run would peak near twice as high as the first. A fixed threshold
// keeps large blocks mapped and hands them back to the system when freed. The threads that read
// days ahead would each get an arena of their own, and what they free there stays resident after
// the run (tens of megabytes, for the life of the window); they allocate per block, not per line,
// so one arena shared by all threads costs them nothing measurable. A setting of the whole
// process: the programs' main functions make it, before anything else.
void SetUpAllocator();

}  // namespace melquon
