// Program entry.  Takes no arguments and always returns 0.
int main() { return 0; }
