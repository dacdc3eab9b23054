// The program's entry point. The application object and the main window
// arrive with the window system; until then the program starts and ends.
int main() { return 0; }
