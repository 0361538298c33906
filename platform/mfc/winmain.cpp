// The program's entry point, as the framework supplies it.
#include <afxwin.h>

int main(int argc, char* argv[]) { return AfxWinMain(argc, argv); }
