"""Quick start: load didazoda and report the solver library's version."""
import didazoda

major, minor, technical = didazoda.version()
print("didazoda on tarvex {}.{}.{}".format(major, minor, technical))
