// A fixture the section check must refuse: a plain mutable global.
int gPlainCounter = 5;

int bumpPlainCounter() { return ++gPlainCounter; }
