#!/usr/bin/perl
# Writes a DBF table with Perl's XBase module (Debian libdbd-xbase-perl), an
# independent implementation of the format, for the lookup tests.
#   item_tables.pl TABLE < rows
# The first input line lists the fields, tab-separated, each NAME:TYPE:LENGTH:DECIMALS.
# Every further line is one record: a flag ("*" deleted, " " live), then the
# values in field order, tab-separated; an empty value leaves the field blank.
use strict;
use warnings;
use XBase;

my $file = shift or die "usage: item_tables.pl TABLE < rows\n";
my $head = <STDIN> // die "no field list\n";
chomp $head;
my (@names, @types, @lengths, @decimals);
for my $f (split /\t/, $head) {
    my ($n, $t, $l, $d) = split /:/, $f;
    push @names, $n; push @types, $t; push @lengths, $l; push @decimals, $d;
}
unlink $file;
my $t = XBase->create(name => $file, field_names => \@names, field_types => \@types,
                      field_lengths => \@lengths, field_decimals => \@decimals)
    or die XBase->errstr;
my $i = 0;
while (my $line = <STDIN>) {
    chomp $line;
    my ($flag, @values) = split /\t/, $line, -1;
    $#values = $#names;
    @values = map { defined $_ && $_ ne '' ? $_ : undef } @values;
    $t->set_record($i, @values) or die $t->errstr;
    $t->delete_record($i) if $flag eq '*';
    ++$i;
}
$t->close or die $t->errstr;
