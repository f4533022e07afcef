// Compiled without latticegas_warnings, as any new target might be: its
// compile command must still carry the float flags (float_flags_check.py).
float LatticegasFloatFlagsProbe(float a, float b, float c) { return a * b + c; }
