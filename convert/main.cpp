// Process entry (placeholder until the frame and the routine land).
int main() { return 0; }
