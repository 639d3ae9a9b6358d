! The rate coefficients the KPP mechanism small.kpp calls for.
SUBROUTINE mcm_constants(time, temp, M, N2, O2, RO2, H2O)
  USE small_Precision, ONLY: dp
  REAL(dp) time, temp, M, N2, O2, RO2, H2O
  REAL(dp) :: K10, K1I, KR1, FC1, NC1, F1, KMT01, KCH3O2
  ! set by the simulator, not read
  N2 = 0.79*M
  KCH3O2 = 1.03D-13*exp(365./temp)
  K10 = 1.0D-31*M*(TEMP/300.)**(-1.6)
  K1I = 5.0D-11*(TEMP/300.)**(-0.3)
  KR1 = K10/K1I
  FC1 = 0.85
  NC1 = 0.75-1.27*(LOG10(FC1))
  F1 = 10.**(LOG10(FC1)/(1.+(LOG10(KR1)/NC1)**(2.)))
  KMT01 = (K10*K1I)*F1/(K10+K1I)
  J(J_HCHO_H2) = 6.853E-05*(cos(zenith)**0.477)*exp(-0.323*(1./cos(zenith)))
END SUBROUTINE mcm_constants
