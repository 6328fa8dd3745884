int _start(void) { return 0; }
