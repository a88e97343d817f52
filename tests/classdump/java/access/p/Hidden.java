package access.p;

// Package private: only access.p may use it.
class Hidden {
}
