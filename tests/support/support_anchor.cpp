// Keeps the test-support library non-empty before any fake lands in it.
namespace qz_test_support {
int anchor = 0;
}
