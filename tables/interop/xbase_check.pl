#!/usr/bin/perl
# Black-box checks of our tables and indexes with Perl's XBase module
# (Debian libdbd-xbase-perl), an independent implementation of the formats.
#   write TABLE N   writes N records (CODE C7, DESC C20, PRICE N10.2, SOLD D,
#                   OK L); every 7th record from the 4th on is deleted
#   dump TABLE      one line per record: recno, flag, CODE, DESC, PRICE (2
#                   decimals), SOLD, OK (T, F or empty), tab-separated
#   walk INDEX      every entry in index order: key, tab, record number
#   seek INDEX      for each key read from stdin, the key, a tab, and the
#                   record of the first entry equal to it (0 when none)
use strict;
use warnings;
use XBase;
use XBase::Index;

my $cmd = shift // '';
if ($cmd eq 'write') {
    my ($file, $n) = @ARGV;
    unlink $file;
    my $t = XBase->create(name => $file,
                          field_names => [qw(CODE DESC PRICE SOLD OK)],
                          field_types => [qw(C C N D L)],
                          field_lengths => [7, 20, 10, 8, 1],
                          field_decimals => [0, 0, 2, 0, 0]) or die XBase->errstr;
    for my $i (0 .. $n - 1) {
        my $code = sprintf("%s%05d", ('AB', 'CH', '12', 'X-')[$i % 4], ($i * 7919) % 10007);
        my $ok = $i % 3 == 0 ? 1 : $i % 3 == 1 ? 0 : undef;
        $t->set_record($i, $code, "desc \xe9 $i", $i * 1.25 - 100, sprintf("2026%02d%02d", 1 + $i % 12, 1 + $i % 28), $ok)
            or die $t->errstr;
        $t->delete_record($i) if $i % 7 == 3;
    }
    $t->close;
} elsif ($cmd eq 'dump') {
    my $t = XBase->new(shift) or die XBase->errstr;
    for my $i (0 .. $t->last_record) {
        my ($del, $code, $desc, $price, $sold, $ok) = $t->get_record($i);
        defined $del or die $t->errstr;
        print join("\t", $i + 1, $del ? '*' : ' ', $code // '', $desc // '', sprintf("%.2f", $price // 0),
                   $sold // '', defined $ok ? ($ok ? 'T' : 'F') : ''), "\n";
    }
} elsif ($cmd eq 'walk') {
    my $ix = XBase::Index->new(shift, type => 'C') or die XBase::Index->errstr;
    $ix->prepare_select;
    while (my ($k, $v) = $ix->fetch) { print "$k\t$v\n"; }
} elsif ($cmd eq 'seek') {
    my $ix = XBase::Index->new(shift, type => 'C') or die XBase::Index->errstr;
    while (my $key = <STDIN>) {
        chomp $key;
        $ix->prepare_select_eq($key);
        my ($k, $v) = $ix->fetch;
        print "$key\t", (defined $k && $k eq $key ? $v : 0), "\n";
    }
} else {
    die "usage: xbase_check.pl write|dump|walk|seek ...\n";
}
