// Linked with every object of some of the program's libraries and nothing above them: the
// link fails when one of those objects needs a layer it may not see.
int main() { return 0; }
