/* Host-side reference figures from OpenSSL's own big-number code, built and
 * run by crypto_bench.sh beside the Windows bench (not part of the product or
 * of the CMake build: this folder's CMake list only takes *.cpp). */
#include <openssl/bn.h>
#include <openssl/rand.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static int cmp(const void* a, const void* b)
{
    double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

static double median(double* v, int n)
{
    qsort(v, n, sizeof(double), cmp);
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int main(void)
{
    enum
    {
        PRIMES = 21,
        POWS = 41
    };
    double t[POWS];
    BN_CTX* ctx = BN_CTX_new();
    BIGNUM *p = BN_new(), *q = BN_new(), *n = BN_new(), *d = BN_new(), *x = BN_new(), *r = BN_new();
    BIGNUM *phi = BN_new(), *pm1 = BN_new(), *qm1 = BN_new(), *e = BN_new();
    for (int i = 0; i < PRIMES; ++i)
    {
        double t0 = now();
        BN_generate_prime_ex(p, 640, 0, NULL, NULL, NULL);
        t[i] = now() - t0;
    }
    printf("openssl_prime640_inprocess_median_ms %.2f\n", 1000 * median(t, PRIMES));
    BN_generate_prime_ex(p, 640, 0, NULL, NULL, NULL);
    do
        BN_generate_prime_ex(q, 640, 0, NULL, NULL, NULL);
    while (BN_cmp(p, q) == 0);
    BN_mul(n, p, q, ctx);
    BN_sub(pm1, p, BN_value_one());
    BN_sub(qm1, q, BN_value_one());
    BN_mul(phi, pm1, qm1, ctx);
    BN_set_word(e, 65537);
    BN_mod_inverse(d, e, phi, ctx);
    BN_rand_range(x, n);
    for (int i = 0; i < POWS; ++i)
    {
        double t0 = now();
        BN_mod_exp(r, x, d, n, ctx);
        t[i] = now() - t0;
    }
    printf("openssl_powmod1280_modulus_bits %d\n", BN_num_bits(n));
    printf("openssl_powmod1280_median_ms %.3f\n", 1000 * median(t, POWS));
    return 0;
}
