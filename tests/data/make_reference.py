"""Independent reference solution of a mass-action model for the regression tests.

Reads SPECIES.DAT and MODEL.DAT (rate constants and reactions only, TAB
separated), integrates the rate equations with one of SciPy's stiff methods
and prints the concentrations at the given time:

    python3 make_reference.py <model folder> <seconds> [method rtol atol] > REFERENCE.TXT

The defaults, BDF at rtol 1e-10 and atol 1e-6, made the atmospheric
mechanism's reference (molecules/cm^3). The first output line is the
solver's status; each further line is a species and its concentration.
It shares no code with Tarnavel. Not run by the test suite: it needs SciPy.
"""
import re, sys
import numpy as np
from scipy.integrate import solve_ivp
from scipy.sparse import lil_matrix
d = sys.argv[1]
species = []
init = {}
for line in open(d + '/SPECIES.DAT'):
    if line.startswith('#') or not line.strip(): continue
    f = line.rstrip('\n').split('\t')
    species.append(f[0].strip()); init[f[0].strip()] = float(f[2])
idx = {s: i for i, s in enumerate(species)}
reactions = []
for line in open(d + '/MODEL.DAT'):
    if line.startswith('#') or not line.strip(): continue
    f = line.rstrip('\n').split('\t')
    k = float(f[0]); text = f[1].replace(' ', '')
    lhs, rhs = text.split('==>')
    def side(t):
        items = {}
        for it in t.split('+'):
            m = re.match(r'^([0-9.]*)(.*)$', it)
            c = float(m.group(1)) if m.group(1) else 1.0
            items[m.group(2)] = items.get(m.group(2), 0) + c
        return items
    reactions.append((k, side(lhs), side(rhs)))
for k, l, r in reactions:
    for s in list(l) + list(r):
        if s not in idx:
            idx[s] = len(species); species.append(s); init[s] = 0.0
n = len(species)
R = [(k, [(idx[s], c) for s, c in l.items()], [(idx[s], c) for s, c in r.items()]) for k, l, r in reactions]
def f(t, y):
    dy = np.zeros(n)
    for k, l, r in R:
        rate = k
        for i, c in l: rate *= y[i] ** c
        for i, c in l: dy[i] -= c * rate
        for i, c in r: dy[i] += c * rate
    return dy
def jac(t, y):
    J = lil_matrix((n, n))
    for k, l, r in R:
        for j, cj in l:
            d = k * cj * y[j] ** (cj - 1)
            for i, c in l:
                if i != j: d *= y[i] ** c
            for i, c in l: J[i, j] -= c * d
            for i, c in r: J[i, j] += c * d
    return J.tocsc()
y0 = np.array([init[s] for s in species])
T = float(sys.argv[2])
method = sys.argv[3] if len(sys.argv) > 3 else 'BDF'
rtol = float(sys.argv[4]) if len(sys.argv) > 4 else 1e-10
atol = float(sys.argv[5]) if len(sys.argv) > 5 else 1e-6
sol = solve_ivp(f, (0, T), y0, method=method, jac=jac, rtol=rtol, atol=atol, t_eval=[T])
print(sol.status, sol.message)
for s, v in zip(species, sol.y[:, -1]):
    print(f"{s}\t{v:.10e}")
