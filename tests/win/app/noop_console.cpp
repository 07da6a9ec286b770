// The launch floor of a pick: a console program that starts and ends, as
// pkdpick is started before it does anything.
int main() { return 0; }
